#include "Strings.h"

#include <initializer_list>
#include <map>

namespace veyra::admin {
namespace {

// The card error messages; several string numbers share one text.
namespace message {
constexpr char kM1[] = "予期せぬｴﾗｰが発生しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。";
constexpr char kM2[] = "予期せぬｴﾗｰが発生しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動してください。";
constexpr char kM3[] = "ﾃﾞﾊﾞｲｽｴﾗｰが発生しました。ﾄﾞﾗｲﾊﾞがが存在しないか壊れている可能性があります。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ﾄﾞﾗｲﾊﾞを再ｲﾝｽﾄｰﾙして下さい。";
constexpr char kM4[] = "ｶｰﾄﾞからの応答がありません。ｶｰﾄﾞがﾋﾞｼﾞｰ状態になっている可能性があります。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。";
constexpr char kM5[] = "ｶｰﾄﾞが正しく挿入されていないか、準備ができていません。正しく挿入されているかを確認し、もう一度実行してください。";
constexpr char kM6[] = "ｶｰﾄﾞがﾋﾞｼﾞｰ状態です。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。";
constexpr char kM7[] = "ｶｰﾄﾞへの不正なｱｸｾｽを検出しました。処理は中止されました。";
constexpr char kM8[] = "状態矛盾を検出しました。処理を続行することができません。ｱﾌﾟﾘｹｰｼｮﾝを一度終了させ、ｶｰﾄﾞを挿入し直して再起動して下さい。";
constexpr char kM9[] = "挿入されているｶｰﾄﾞにはこの処理を行う事ができません。処理は中止されました。ｶｰﾄﾞの種類を確認し、もう一度実行して下さい。";
constexpr char kM10[] = "致命的なｴﾗｰが発生しました。ｶｰﾄﾞが壊れている可能性があります。処理を続行することはできません。";
constexpr char kM11[] = "指定されたﾕｰｻﾞは登録されていません。";
constexpr char kM12[] = "ﾊﾟｽﾜｰﾄﾞが正しくありません。";
constexpr char kM13[] = "ﾊﾟｽﾜｰﾄﾞが正しくありません。ﾊﾟｽﾜｰﾄﾞ入力ミスが規定値を超えましたので、このﾕｰｻﾞ情報は強制的に抹消されました。";
constexpr char kM14[] = "ﾊﾟｽﾜｰﾄﾞが正しくありません。(※注：ﾊﾟｽﾜｰﾄﾞ入力ﾐｽの回数が規定値を超えるとﾕｰｻﾞ情報が強制的に抹消されます）";
} // namespace message

struct MessageStrings {
    const char *text;
    std::initializer_list<int> ids;
};

const MessageStrings kMessages[] = {
    {message::kM1, {124, 130, 131, 136, 139, 148, 154, 158, 159, 161, 162, 168, 179}},
    {message::kM2, {172}},
    {message::kM3, {125, 126, 127, 128}},
    {message::kM4, {129}},
    {message::kM5, {132}},
    {message::kM6, {134}},
    {message::kM7, {137, 143, 144, 147, 150, 153, 157, 165}},
    {message::kM8, {138}},
    {message::kM9, {145, 149, 151, 155, 156, 163, 164, 167}},
    {message::kM10, {152, 160, 166, 177}},
    {message::kM11, {174}},
    {message::kM12, {175}},
    {message::kM13, {176}},
    {message::kM14, {178}},
};

std::map<int, const char *> BuildTable()
{
    std::map<int, const char *> table = {
        {IDS_ABOUTBOX, "ﾊﾞｰｼﾞｮﾝ情報 (&A)..."},
        {IDS_APP_TITLE, "VeyraADM"},
        {IDS_CARD_SETTING_TITLE, "ｶｰﾄﾞの初期設定"},
        {IDS_USER_REGIST_TITLE, "ﾕｰｻﾞの登録"},
        {IDS_USER_DELETE_TITLE, "ﾕｰｻﾞの削除"},
        {IDS_CARD_INFO_TITLE, "ｶｰﾄﾞ情報の表示"},
        {IDS_CARD_SETTING_GUIDE, "初期設定するｶｰﾄﾞを正しく挿入して[実行]ﾎﾞﾀﾝをｸﾘｯｸしてください。"},
        {IDS_CARD_SETTING_WARNING, "初期設定を行うと、ｶｰﾄﾞに登録されているﾕｰｻﾞ情報は全て失われます。"},
        {IDS_USER_REGIST_GUIDE, "ｶｰﾄﾞに登録するﾕｰｻﾞ情報を入力し、[実行]ﾎﾞﾀﾝをｸﾘｯｸしてください。"},
        {IDS_USER_DELETE_GUIDE, "削除したいﾕｰｻﾞIDを入力し、[実行]ﾎﾞﾀﾝをｸﾘｯｸしてください。"},
        {IDS_CARD_INFO_GUIDE, "登録されているﾕｰｻﾞ情報を表示します。ｶｰﾄﾞを挿入し[実行]ﾎﾞﾀﾝをｸﾘｯｸしてください。"},
        {IDS_CARD_SETTING_DONE, "ｶｰﾄﾞの初期設定が完了しました。"},
        {IDS_USER_REGIST_DONE, "ﾕｰｻﾞの登録が完了しました。"},
        {IDS_USER_DELETE_DONE, "ﾕｰｻﾞの削除が完了しました。"},
        {IDS_CARD_SETTING_RUNNING, "ｶｰﾄﾞの初期設定を行っています。"},
        {IDS_USER_REGIST_RUNNING, "ﾕｰｻﾞの登録を行っています。"},
        {IDS_USER_DELETE_RUNNING, "ﾕｰｻﾞの削除を行っています。"},
        {IDS_VERSION, "Version 1.20"},
        {IDS_PUBLISHER_NOTICE, "Copyright (C) NORVEX. All rights reserved."},
        {IDS_CARD_REINIT_QUESTION, "初期設定を行うと登録されているﾕｰｻﾞ情報は全て消去されます。\nよろしいですか？"},
        {IDS_CARD_REINIT_RUNNING, "ｶｰﾄﾞを初期化しています。"},
        {IDS_NOT_USER_CARD, "このｶｰﾄﾞはﾕｰｻﾞの登録/削除を実行できません。ｶｰﾄﾞの初期設定を行ってから再度実行してください。"},
        {IDS_USER_TABLE_FULL, "これ以上ﾕｰｻﾞを登録することはできません。ﾕｰｻﾞ削除を行ってから再実行してください。"},
        {IDS_USER_ID_REGISTERED, "指定されたﾕｰｻﾞIDは既に登録されています。異なるﾕｰｻﾞIDを指定してください。"},
        {IDS_USER_ID_NOT_REGISTERED, "指定されたﾕｰｻﾞは登録されていません。"},
        {IDS_USER_DELETE_QUESTION, "登録されているﾕｰｻﾞ情報を削除します。よろしいですか？"},
        {IDS_ALREADY_RUNNING, "既に起動されています（二つ起動することはできません）。"},
        // Followed by a line that names the folder or file and what is wrong with it.
        {IDS_NO_SINGLE_INSTANCE, "VeyraADM cannot make sure that only one copy of it runs, so it does not start."},
    };
    for (const MessageStrings &messageStrings : kMessages) {
        for (int id : messageStrings.ids) {
            table.emplace(id, messageStrings.text);
        }
    }
    return table;
}

} // namespace

QString LoadString(int id)
{
    static const std::map<int, const char *> table = BuildTable();
    const auto found = table.find(id);
    return found != table.end() ? QString::fromUtf8(found->second) : QString();
}

} // namespace veyra::admin

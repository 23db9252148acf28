// veyra-demo-card: sets the blank card in the slot up as a demo card, through
// the administration path of VeyraADM (the same frames, prepared by the card
// model from the main-card keys): the card initial setting, then the
// registration of one demo user. A card that has been set up before is left
// alone, so that no registered user is ever lost.
#include "CAdminApp.h"
#include "CCardErrorDlg.h"
#include "CardIdentity.h"
#include "CardProcedures.h"
#include "PathMap.h"
#include "Strings.h"
#include "Win32.h"

#include <cstdio>
#include <cstring>

namespace {

using namespace veyra;
using namespace veyra::admin;

// The demo user, as the README gives it.
constexpr char kDemoUserId[] = "demo";
constexpr char kDemoPassword[] = "demo1234";
constexpr char kDemoKeyInformation[] = "demokey";

enum ExitCode { kExitDone = 0, kExitFailed = 1, kExitUsage = 2 };

constexpr char kUsage[] =
    "Usage: veyra-demo-card\n"
    "\n"
    "Sets the blank card in the slot of the virtual driver up as a demo card, as\n"
    "VeyraADM would: the card initial setting, then the registration of the user\n"
    "\"%s\" with the password \"%s\" and the key information \"%s\".\n"
    "A card that has been set up before is refused and left unchanged.\n";

// The single-instance mutex of VeyraADM and VeyraAP, held for the whole run:
// the card is never administered while one of the programs uses it.
class ProgramMutex {
public:
    ProgramMutex() = default;
    ~ProgramMutex()
    {
        if (handle_ != nullptr) {
            win32::CloseHandle(handle_);
        }
    }
    ProgramMutex(const ProgramMutex &) = delete;
    ProgramMutex &operator=(const ProgramMutex &) = delete;

    CAdminApp::Instance Take() { return CAdminApp::TakeMutex(handle_); }

private:
    win32::HANDLE handle_ = nullptr;
};

int Refuse(const QString &reason)
{
    std::fprintf(stderr, "veyra-demo-card: %s\n", reason.toUtf8().constData());
    return kExitFailed;
}

// The card answered a failure: VeyraADM's message for the code.
int CardFailure(const char *step, const CCardAccess &access)
{
    const QString message = CCardErrorDlg::MessageOf(access.LastCode());
    return Refuse(QStringLiteral("%1 failed: %2").arg(QString::fromUtf8(step), message));
}

int MakeDemoCard()
{
    ProgramMutex mutex;
    switch (mutex.Take()) {
    case CAdminApp::Instance::Alone:
        break;
    case CAdminApp::Instance::SecondCopy:
        return Refuse(QStringLiteral("VeyraADM or VeyraAP is running; end it first"));
    case CAdminApp::Instance::Unguarded:
        return Refuse(QStringLiteral("cannot make sure that VeyraADM and VeyraAP do not run: ") +
                      QString::fromStdString(win32::MutexProblem()));
    }

    {
        CCardAccess access = MainCardAccess();
        tagCM_CARDINFOREQUEST_STATUS info;
        if (!QueryCardInfo(access, info)) {
            return CardFailure("reading the card information", access);
        }
        if (NeedsReInitialisation(info.CardKind)) {
            return Refuse(QStringLiteral("the card in the slot has been set up before (card kind %1); "
                                         "only a blank card becomes a demo card")
                              .arg(info.CardKind));
        }
        if (!InitialSetting(access)) {
            return CardFailure("the card initial setting", access);
        }
    }
    std::printf("Card initial setting: done (card kind %d, card ID %s).\n", kCardKind, kCardId);

    // A fresh access object, as every operation of VeyraADM starts with.
    CCardAccess access = MainCardAccess();
    const UserFields demo{kDemoUserId, kDemoPassword, kDemoKeyInformation};
    if (!SetUpCardModel(access)) {
        return CardFailure("setting up the card model", access);
    }
    if (!RegisterUser(access, demo)) {
        return CardFailure("the user registration", access);
    }
    std::printf("User registration: done (user ID \"%s\", password \"%s\", key information \"%s\").\n", kDemoUserId,
                kDemoPassword, kDemoKeyInformation);
    return kExitDone;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf(kUsage, kDemoUserId, kDemoPassword, kDemoKeyInformation);
        return kExitDone;
    }
    if (argc != 1) {
        std::fprintf(stderr, kUsage, kDemoUserId, kDemoPassword, kDemoKeyInformation);
        return kExitUsage;
    }
    return MakeDemoCard();
}

/* A C program that sees only the public header: it sets a card up on the card
 * model of its process, registers a user and logs the user in. */
#include "TVRCM20.h"

#include <stdio.h>
#include <string.h>

static tagCM_SYSTEMINFO systemInfo;
static tagCM_STATUSINFO statusInfo;
static tagCM_TMPBUFFER buffer;

static void PrepareCall(void)
{
    memset(&systemInfo, 0, sizeof systemInfo);
    memset(&statusInfo, 0, sizeof statusInfo);
    memset(&buffer, 0, sizeof buffer);
    systemInfo.Mode = TVRCM_MODE_CARD_MODEL;
    systemInfo.DeviceSelect = 0xFFFF;
}

static int Failed(const char *step, int returned)
{
    if (returned == 1) {
        return 0;
    }
    fprintf(stderr, "%s failed with code %04X\n", step, (unsigned)statusInfo.Code);
    return 1;
}

static void PutText(uint8_t *field, const char *text)
{
    memset(field, 0, TVRCM_ID_SIZE);
    memcpy(field, text, strlen(text));
}

static int Make(uint8_t command, tagCM_MANAGECOMMANDMAKE_STATUS *made)
{
    tagCM_MANAGECOMMANDMAKE request;
    memset(&request, 0, sizeof request);
    request.CardKind = 2;
    PutText(request.CardId, "MainUserCardID");
    request.CommandToMake = command;
    PutText(request.UserId, "alice");
    PutText(request.UserKeyInput, "alice's key");
    PutText(request.Password, "secret");
    PutText(request.TransportKeyInput, "transport");
    memset(made, 0, sizeof *made);
    PrepareCall();
    return TVRCM_ManageCommandMake(&systemInfo, &request, made, &statusInfo, &buffer);
}

int main(void)
{
    static const uint8_t firstKey[TVRCM_KEY_SIZE] = {'k', 'e', 'y', '-', 'o', 'n', 'e', '1'};
    static const uint8_t secondKey[TVRCM_KEY_SIZE] = {'k', 'e', 'y', '-', 't', 'w', 'o', '2'};
    tagCM_MANAGECOMMANDMAKE_STATUS made;
    tagCM_CARDINITSETTING initSetting;
    tagCM_CARDINITSETTING_STATUS initSettingStatus;
    tagCM_USERREGIST regist;
    tagCM_USERREGIST_STATUS registStatus;
    tagCM_PASSWORDINPUT login;
    tagCM_PASSWORDINPUT_STATUS loginStatus;

    TVRCM_MainCardInfoInitialize();
    TVRCM_CardInfoTableInitialize();
    TVRCM_MainCardInfoSet(firstKey, secondKey);

    if (Failed("making the card initial setting", Make(TVRCM_MAKE_CARD_INIT_SETTING, &made))) {
        return 1;
    }
    memcpy(&initSetting, made.Frame, sizeof initSetting);
    PrepareCall();
    if (Failed("card initial setting",
               TVRCM_CardInitSetting(&systemInfo, &initSetting, &initSettingStatus, &statusInfo, &buffer))) {
        return 1;
    }

    if (Failed("making the user registration", Make(TVRCM_MAKE_USER_REGIST, &made))) {
        return 1;
    }
    memcpy(&regist, made.Frame, sizeof regist);
    PrepareCall();
    if (Failed("user registration", TVRCM_UserRegist(&systemInfo, &regist, &registStatus, &statusInfo, &buffer))) {
        return 1;
    }

    PutText(login.UserId, "alice");
    PutText(login.Password, "secret");
    PrepareCall();
    if (Failed("password input", TVRCM_PasswordInput(&systemInfo, &login, &loginStatus, &statusInfo, &buffer))) {
        return 1;
    }

    printf("alice is logged in on the card model\n");
    return 0;
}

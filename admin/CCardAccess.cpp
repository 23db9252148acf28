#include "CCardAccess.h"

#include <cstring>
#include <utility>

namespace veyra::admin {
namespace {

CCardAccess::Observer &CurrentObserver()
{
    static CCardAccess::Observer observer;
    return observer;
}

template <typename Request, typename Status>
using CardFunction = int (*)(tagCM_SYSTEMINFO *, const Request *, Status *, tagCM_STATUSINFO *, tagCM_TMPBUFFER *);

template <typename Request, typename Status>
int Call(CardFunction<Request, Status> function, tagCM_SYSTEMINFO *system, const void *request, void *status,
         tagCM_STATUSINFO *statusInfo, tagCM_TMPBUFFER *buffer)
{
    return function(system, static_cast<const Request *>(request), static_cast<Status *>(status), statusInfo,
                    buffer);
}

} // namespace

CCardAccess::CCardAccess(const uint8_t *firstKey, const uint8_t *secondKey)
    : system_(std::make_unique<tagCM_SYSTEMINFO>()),
      status_(std::make_unique<tagCM_STATUSINFO>()),
      buffer_(std::make_unique<tagCM_TMPBUFFER>())
{
    TVRCM_MainCardInfoInitialize();
    TVRCM_CardInfoTableInitialize();
    if (firstKey != nullptr && secondKey != nullptr) {
        TVRCM_MainCardInfoSet(firstKey, secondKey);
    }
}

CCardAccess::~CCardAccess()
{
    TVRCM_MainCardInfoInitialize();
    TVRCM_CardInfoTableInitialize();
}

int CCardAccess::Execute(int command, const void *request, void *status, int32_t mode, int32_t deviceSelect)
{
    std::memset(system_.get(), 0, sizeof *system_);
    std::memset(status_.get(), 0, sizeof *status_);
    std::memset(buffer_.get(), 0, sizeof *buffer_);
    system_->Mode = mode;
    system_->DeviceSelect = deviceSelect;

    tagCM_SYSTEMINFO *system = system_.get();
    tagCM_STATUSINFO *statusInfo = status_.get();
    tagCM_TMPBUFFER *buffer = buffer_.get();
    auto call = [&](auto function) {
        if (CurrentObserver()) {
            CurrentObserver()(command, mode);
        }
        return Call(function, system, request, status, statusInfo, buffer);
    };
    switch (command) {
    case kCmdCardInitSetting:
        return call(&TVRCM_CardInitSetting);
    case kCmdManageCommandMake:
        return call(&TVRCM_ManageCommandMake);
    case kCmdUserRegist:
        return call(&TVRCM_UserRegist);
    case kCmdUserDelete:
        return call(&TVRCM_UserDelete);
    case kCmdCardReInit:
        return call(&TVRCM_CardReInit);
    case kCmdUserReRegist:
        return call(&TVRCM_UserReRegist);
    case kCmdPasswordInput:
        return call(&TVRCM_PasswordInput);
    case kCmdCardInfoRequest:
        return call(&TVRCM_CardInfoRequest);
    case kCmdCardStateReset:
        return call(&TVRCM_CardStateReset);
    default:
        return 0;
    }
}

int32_t CCardAccess::LastCode() const
{
    return status_->Code;
}

void CCardAccess::SetObserver(Observer observer)
{
    CurrentObserver() = std::move(observer);
}

} // namespace veyra::admin

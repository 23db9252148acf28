// The three records every card call carries, owned by the application object
// and lent to every dialog that calls the card, and the way a call is made:
// records cleared, Mode 0 (the inserted card), DeviceSelect 0xFFFF.
#pragma once

#include "CodePageText.h"
#include "TVRCM20.h"

#include <cstdint>
#include <cstring>
#include <optional>

namespace veyra::agent {

inline constexpr int32_t kDeviceSelectAny = 0xFFFF;
// The card state reset that ends the card's login.
inline constexpr uint8_t kResetKindLogout = 2;
// The request value of the hook commands.
inline constexpr int32_t kHookRequest = 1;

struct CardRecords {
    tagCM_SYSTEMINFO *system = nullptr;
    tagCM_STATUSINFO *status = nullptr;
    tagCM_TMPBUFFER *buffer = nullptr;

    // Clears the three records and selects the inserted card.
    void prepare() const
    {
        std::memset(system, 0, sizeof *system);
        std::memset(status, 0, sizeof *status);
        std::memset(buffer, 0, sizeof *buffer);
        system->Mode = TVRCM_MODE_CARD;
        system->DeviceSelect = kDeviceSelectAny;
    }
};

template <typename Request, typename Status>
using CardFunction = int (*)(tagCM_SYSTEMINFO *, const Request *, Status *, tagCM_STATUSINFO *, tagCM_TMPBUFFER *);

// One card call with the call's status record cleared first; the caller has
// cleared and filled the request. Returns the library's 1 or 0.
template <typename Request, typename Status>
int CallCard(const CardRecords &records, CardFunction<Request, Status> function, const Request &request,
             Status &result)
{
    records.prepare();
    std::memset(&result, 0, sizeof result);
    return function(records.system, &request, &result, records.status, records.buffer);
}

// A user ID or password as the card holds it: code page 932, at most 16
// bytes, as VeyraADM registers it; nullopt for a text without that form,
// which is refused rather than cut inside a character.
inline std::optional<QByteArray> CardText(const QString &text)
{
    return ui::ToCodePage932(text, TVRCM_ID_SIZE);
}

// Whether the card's fields can hold the text.
inline bool FitsCard(const QString &text)
{
    return CardText(text).has_value();
}

// A user ID or password in its 16-byte card field: the bytes from the start,
// no terminator, the rest zero.
inline void PutCardText(uint8_t (&field)[TVRCM_ID_SIZE], const char *text, std::size_t length)
{
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text, length < sizeof field ? length : sizeof field);
}

} // namespace veyra::agent

// What the tests of the virtual driver share: every test runs in its own HOME
// and XDG tree, runs the veyra-card tool as a user would, and makes card calls
// as the programs make them.
#pragma once

#include "JsonValue.h"
#include "TVRCM20.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace veyra::vxd::test {

using Bytes = std::vector<uint8_t>;

// The administration tool's fixed values, as it keeps them itself.
inline const uint8_t kFirstMainCardKey[8] = {'Z', '/', 'O', 'R', 'B', 'E', 'K', '5'};
inline const uint8_t kSecondMainCardKey[8] = {'U', 'v', 'r', 'a', 'P', 'l', 'k', '7'};
inline const char *const kTransportKeyInput = "ghqrz|^+aa,mop7k";
inline const char *const kCardId = "MainUserCardID";
inline constexpr uint8_t kUserCardKind = 2;

// Text as a 16-byte field, zero-padded.
inline void PutField(uint8_t *field, const std::string &text)
{
    std::memset(field, 0, 16);
    std::memcpy(field, text.data(), std::min<std::size_t>(text.size(), 16));
}

// A table's cases print as their names, also in the names ctest lists.
template <typename Case>
    requires requires(const Case &c) { std::string(c.name); }
std::ostream &operator<<(std::ostream &os, const Case &c)
{
    return os << c.name;
}

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

class VxdTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ToolRun tool(const std::vector<std::string> &arguments);
    // Runs the tool and expects it to succeed.
    std::string toolOk(const std::vector<std::string> &arguments);
    JsonValue show(bool secrets = false);
    JsonValue status();

    std::string stateFolder() const { return tree_ + "/state/veyra"; }
    std::string runtimeFolder() const { return tree_ + "/run/veyra"; }
    std::string cardPath() const { return stateFolder() + "/card"; }
    const std::string &tree() const { return tree_; }

    // A card call as the programs make it: records cleared, Mode and
    // DeviceSelect 0xFFFF set. Returns the status code.
    template <typename Request, typename Status>
    int32_t call(int (*function)(tagCM_SYSTEMINFO *, const Request *, Status *, tagCM_STATUSINFO *,
                                 tagCM_TMPBUFFER *),
                 const Request &request, Status &result, int32_t mode = TVRCM_MODE_CARD)
    {
        system_ = tagCM_SYSTEMINFO{};
        status_ = tagCM_STATUSINFO{};
        std::memset(&buffer_, 0, sizeof buffer_);
        system_.Mode = mode;
        system_.DeviceSelect = 0xFFFF;
        function(&system_, &request, &result, &status_, &buffer_);
        return status_.Code;
    }

    template <typename Request, typename Status>
    int32_t call(int (*function)(tagCM_SYSTEMINFO *, const Request *, Status *, tagCM_STATUSINFO *,
                                 tagCM_TMPBUFFER *),
                 const Request &request, int32_t mode = TVRCM_MODE_CARD)
    {
        Status result{};
        return call(function, request, result, mode);
    }

    tagCM_CARDINFOREQUEST_STATUS cardInfo();
    int32_t passwordInput(const std::string &userId, const std::string &password);
    int32_t stateReset(uint8_t kind);

    tagCM_STATUSINFO status_{};

private:
    tagCM_SYSTEMINFO system_{};
    tagCM_TMPBUFFER buffer_{};
    std::string tree_;
    std::vector<std::pair<std::string, std::string>> savedEnvironment_;
};

} // namespace veyra::vxd::test

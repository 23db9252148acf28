#include "TestCard.h"

#include "CardFrames.h"
#include "DriverContract.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

using namespace veyra;


} // namespace

TestCard::TestCard()
{
    pendingAnswer_.assign(driver::packet::kDataSize, 0);
    kernel.responder = [this](kernel::DWORD code, const uint8_t *in, kernel::DWORD inSize, uint8_t *out,
                              kernel::DWORD outSize) -> kernel::BOOL {
        if (outSize < driver::packet::kSize) {
            return 1;
        }
        if (code == driver::kSendCommand && inSize >= driver::packet::kSize) {
            std::fill(pendingAnswer_.begin(), pendingAnswer_.end(), 0);
            answer(in + driver::packet::kData, pendingAnswer_.data());
            return 1;
        }
        if (code == driver::kPollAnswer) {
            const bool pending = busy && busy();
            if (pending) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            } else {
                std::memcpy(out + driver::packet::kData, pendingAnswer_.data(), driver::packet::kDataSize);
            }
            out[driver::packet::kPending] = pending ? 1 : 0;
            out[driver::packet::kPending + 1] = 0;
        }
        return 1;
    };
}

void TestCard::fail(uint8_t command, uint8_t responseCode, uint8_t result, int times)
{
    faults_.push_back({command, responseCode, result, times});
}

void TestCard::refuse(uint8_t command, uint8_t result, int times)
{
    fail(command, card::ResponseCode(command), result, times);
}

void TestCard::answer(const uint8_t *frame, uint8_t *response)
{
    const uint8_t command = frame[card::exchange::kCommand];
    for (Fault &fault : faults_) {
        if (fault.command == command && fault.times != 0) {
            if (fault.times > 0) {
                --fault.times;
            }
            response[card::exchange::kCommand] = fault.responseCode;
            response[card::exchange::kResult] = fault.result;
            return;
        }
    }
    firmware.command(frame, response);
    if (command == card::kCardInfoRequest && freeEntriesAllFF) {
        using namespace card::card_info_answer;
        for (std::size_t user = 0; user < card::kUserCount; ++user) {
            uint8_t *id = response + kUsers + user * kUserRecordSize + kRecordUserId;
            if (std::all_of(id, id + card::kIdSize, [](uint8_t byte) { return byte == 0; })) {
                std::fill(id, id + card::kIdSize, 0xFF);
            }
        }
    }
}

std::vector<std::vector<uint8_t>> TestCard::sentFrames() const
{
    std::vector<std::vector<uint8_t>> frames;
    for (const auto &call : kernel.controlCalls) {
        if (call.code == driver::kSendCommand && call.input.size() >= driver::packet::kSize) {
            uint32_t length = 0;
            std::memcpy(&length, call.input.data() + driver::packet::kLength, sizeof length);
            const auto begin = call.input.begin() + driver::packet::kData;
            frames.emplace_back(begin, begin + std::min<std::size_t>(length, driver::packet::kDataSize));
        }
    }
    return frames;
}

std::vector<uint8_t> TestCard::sentCommands() const
{
    std::vector<uint8_t> commands;
    for (const auto &frame : sentFrames()) {
        commands.push_back(frame.empty() ? 0 : frame[0]);
    }
    return commands;
}

uint8_t TestCard::kind() const
{
    return state.systemArea[card::system_area::kKind];
}

std::vector<QByteArray> TestCard::userIds() const
{
    std::vector<QByteArray> ids;
    for (const auto &entry : state.users) {
        const uint8_t *id = entry + card::user_entry::kUserId;
        if (!std::all_of(id, id + card::kIdSize, [](uint8_t byte) { return byte == card::kBlankByte; })) {
            const auto *text = reinterpret_cast<const char *>(id);
            ids.emplace_back(text, qsizetype(strnlen(text, card::kIdSize)));
        }
    }
    return ids;
}

void TestCard::markDeleted(const QByteArray &userId)
{
    uint8_t field[card::kIdSize] = {};
    std::memcpy(field, userId.constData(), std::min<std::size_t>(std::size_t(userId.size()), card::kIdSize));
    for (auto &entry : state.users) {
        if (std::memcmp(entry + card::user_entry::kUserId, field, card::kIdSize) == 0) {
            entry[card::user_entry::kDeletedMark] = card::user_entry::kDeleted;
        }
    }
}

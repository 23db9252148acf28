// The data conversion engine: streams each listed file through the card's key
// transfer, 256 bytes at a time, into a new file of the same size in the
// destination folder, under a pause of the folder protection.
#pragma once

#include "CardRecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>

class QWidget;

namespace veyra::agent {

inline constexpr uint8_t kUpperMainCard = 0;
inline constexpr uint8_t kUpperGroupCard = 1;
inline constexpr int kLowerGroupCard = 1;
inline constexpr int kLowerUserCard = 2;
inline constexpr int kDirectionToLower = 1;
inline constexpr int kDirectionToUpper = 2;
inline constexpr std::size_t kBlockSize = TVRCM_TRANSFER_BLOCK_SIZE;

struct ConversionJob {
    uint8_t upperCardKind = kUpperMainCard;
    int direction = kDirectionToLower;
    int lowerCardKind = kLowerUserCard;
    QByteArray groupId; // at most 16 bytes
    QByteArray userId;  // at most 16 bytes
    QStringList sourceFiles;
    QString destination; // a drive root "D:\" or a folder without a trailing backslash
};

using BlockBuffer = std::span<uint8_t, kBlockSize>;

// Runs the job with `dialog` as the owner of its windows; true when the run
// completed, so that the conversion dialog closes with OK.
bool RunConversion(QWidget *dialog, const CardRecords &records, const ConversionJob &job, BlockBuffer block);

// The path a source file is converted to: the destination folder, a backslash
// unless the folder is a drive root, then the source's file name.
QString DestinationOf(const QString &destinationFolder, const QString &source);

} // namespace veyra::agent

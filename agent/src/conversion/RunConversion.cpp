#include "RunConversion.h"

#include "CConversionProgressDlg.h"
#include "CErrorReportDlg.h"
#include "COverwriteConfirmDlg.h"
#include "ConversionResource.h"
#include "FileErrors.h"
#include "FileReplace.h"
#include "UserFolder.h"
#include "Win32.h"

#include <cstring>
#include <memory>

namespace veyra::agent {

namespace {

using namespace veyra::win32;

constexpr qsizetype kDriveRootLength = 3;
// The card state reset that keeps the user logged in.
constexpr uint8_t kResetKindKeepLogin = 0;
// Stage 3 starts a file's whole 8-byte groups, stage 2 its final 1 to 7 bytes.
constexpr uint8_t kStageWholeGroups = 3;
constexpr uint8_t kStageFinalBytes = 2;
constexpr uint32_t kGroupMask = ~uint32_t{7};
// Names tried for the temporary file beside a destination.
constexpr int kTemporaryNames = 100;

// The key transfer between the two cards' key domains.
enum TransferKind : uint8_t {
    kMainToGroup = 0,
    kMainToUser = 1,
    kGroupToUser = 3,
};

TransferKind TransferKindOf(const ConversionJob &job)
{
    if (job.upperCardKind == kUpperGroupCard) {
        return kGroupToUser;
    }
    return job.lowerCardKind == kLowerGroupCard ? kMainToGroup : kMainToUser;
}

// The size as the file's status gives it; 0 when it cannot be read.
uint64_t FileSizeOf(const QString &path)
{
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA(Native(path).constData(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    FindClose(search);
    return (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

// A folder of the name counts as well.
bool Exists(const QString &path)
{
    return GetFileAttributesA(Native(path).constData()) != INVALID_FILE_ATTRIBUTES;
}

struct CloseFile {
    void operator()(HANDLE file) const { CloseHandle(file); }
};
using FileHandle = std::unique_ptr<void, CloseFile>;

FileHandle OpenExclusively(const QString &path, DWORD access, DWORD creation)
{
    HANDLE file = CreateFileA(Native(path).constData(), access, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// A converted file is written beside its destination under a name of its own
// and takes the destination's place only once it is complete; until then the
// destination is held open exclusively, so that the old file stays whole and
// a destination that is the source itself, or a folder, is refused as before.
class Destination {
public:
    explicit Destination(const QString &path) : path_(path) {}
    ~Destination() { discard(); }
    Destination(const Destination &) = delete;
    Destination &operator=(const Destination &) = delete;

    // False with the system's error when the destination cannot be written.
    bool open()
    {
        if (Exists(path_)) {
            existing_ = OpenExclusively(path_, GENERIC_WRITE, OPEN_EXISTING);
            if (!existing_) {
                return false;
            }
        }
        for (int i = 0; i < kTemporaryNames && !file_; ++i) {
            temporaryPath_ = path_ + QStringLiteral(".%1.tmp").arg(i);
            file_ = OpenExclusively(temporaryPath_, GENERIC_WRITE, CREATE_NEW);
            if (!file_ && GetLastError() != ERROR_FILE_EXISTS) {
                break;
            }
        }
        return file_ != nullptr;
    }

    HANDLE file() const { return file_.get(); }

    // The converted file takes the destination's place; false with the
    // system's error when it cannot, and the old destination stays.
    bool commit()
    {
        file_.reset();
        existing_.reset();
        if (!MoveFileExA(Native(temporaryPath_).constData(), Native(path_).constData(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return false;
        }
        temporaryPath_.clear();
        return true;
    }

    // The temporary file goes; the destination is left as it was.
    void discard()
    {
        file_.reset();
        existing_.reset();
        if (!temporaryPath_.isEmpty()) {
            const DWORD error = GetLastError();
            DeleteFileA(Native(temporaryPath_).constData());
            SetLastError(error);
            temporaryPath_.clear();
        }
    }

private:
    QString path_;
    QString temporaryPath_;
    FileHandle existing_;
    FileHandle file_;
};

class Conversion {
public:
    Conversion(QWidget *dialog, const CardRecords &records, const ConversionJob &job, BlockBuffer block)
        : dialog_(dialog), owner_(dialog), records_(records), job_(job), block_(block)
    {
    }

    bool run();

private:
    bool enoughFreeSpace();
    bool prepareCard();
    bool resumeProtection();
    void convertFiles();
    bool convertEntry(const QString &source);
    int convertFile(HANDLE source, HANDLE destination, const QString &destinationPath);
    int streamFile(HANDLE source, HANDLE destination, const QString &destinationPath, uint64_t length);

    bool pauseOn();
    bool pauseOff();
    bool textModeOff();
    bool cardStateReset();
    bool keyTransfer(uint8_t stage);
    bool dataTransfer(uint8_t *bytes, uint32_t count);

    void reportCardError() { ReportCardError(owner_, records_); }
    void errorBox(const QString &message, ui::UINT icon);

    QWidget *dialog_;
    QWidget *owner_;
    const CardRecords &records_;
    const ConversionJob &job_;
    BlockBuffer block_;
    CConversionProgressDlg *progress_ = nullptr;

    int overwriteAnswer_ = kOverwriteAsk;
    bool cancelled_ = false;
    bool openFailed_ = false;
    int fileResult_ = 1;
};

// Once the protection is paused, every way out resumes it.
bool Conversion::run()
{
    if (!enoughFreeSpace()) {
        return false;
    }
    if (!pauseOn()) {
        reportCardError();
        return false;
    }
    if (!prepareCard()) {
        reportCardError();
        resumeProtection();
        return false;
    }
    convertFiles();
    if (!resumeProtection()) {
        return false;
    }
    return fileResult_ == 1 && !cancelled_ && !openFailed_;
}

// Every listed file counts in full, whether it will be skipped or not.
bool Conversion::enoughFreeSpace()
{
    uint64_t total = 0;
    for (const QString &source : job_.sourceFiles) {
        total += FileSizeOf(source);
    }
    const std::optional<uint64_t> free = FreeSpaceOf(job_.destination);
    if (!free) {
        errorBox(Text(text::kFreeSpaceUnknown), ui::MB_ICONHAND);
        return false;
    }
    if (*free < total) {
        errorBox(Text(text::kNotEnoughSpace) +
                     QString::asprintf(text::kBytesMissing, static_cast<unsigned long long>(total - *free)),
                 ui::MB_ICONHAND);
        return false;
    }
    return true;
}

bool Conversion::prepareCard()
{
    return textModeOff() && cardStateReset();
}

bool Conversion::resumeProtection()
{
    if (!pauseOff()) {
        reportCardError();
        return false;
    }
    return true;
}

void Conversion::convertFiles()
{
    CConversionProgressDlg progress(dialog_);
    progress_ = &progress;
    owner_ = &progress;
    overwriteAnswer_ = kOverwriteAsk;
    cancelled_ = false;
    openFailed_ = false;
    fileResult_ = 1;
    for (qsizetype i = 0; i < job_.sourceFiles.size(); ++i) {
        // A cancel during a file shorter than a block is met here, before the
        // next file starts.
        if (progress_->checkCancel()) {
            cancelled_ = true;
            break;
        }
        if (!convertEntry(job_.sourceFiles.at(i))) {
            break;
        }
    }
    progress_ = nullptr;
    owner_ = dialog_;
}

// False when the run ends with this entry.
bool Conversion::convertEntry(const QString &source)
{
    const QString destination = DestinationOf(job_.destination, source);
    progress_->setFile(source, destination);
    if (Exists(destination) && overwriteAnswer_ != kOverwriteAll) {
        COverwriteConfirmDlg confirmation(source, destination, progress_);
        const int answer = confirmation.exec();
        if (answer == QDialog::Rejected) {
            return false;
        }
        overwriteAnswer_ = answer;
        if (answer == kOverwriteSkip) {
            return true;
        }
    }

    const FileHandle input = OpenExclusively(source, GENERIC_READ, OPEN_EXISTING);
    if (!input) {
        errorBox(Text(text::kSourceOpenFailedStart) + NameOf(source) + Text(text::kSourceOpenFailedEnd),
                 ui::MB_ICONHAND);
        openFailed_ = true;
        return false;
    }
    // The source is open exclusively, so converting a file onto itself fails
    // here and leaves the source as it was.
    Destination output(destination);
    if (!output.open()) {
        const bool writeProtected = GetLastError() == ERROR_WRITE_PROTECT;
        errorBox(writeProtected ? Text(text::kWriteProtected)
                                : Text(text::kTargetOpenFailedStart) + NameOf(destination) +
                                      Text(text::kTargetOpenFailedEnd),
                 ui::MB_ICONHAND);
        openFailed_ = true;
        return false;
    }
    fileResult_ = convertFile(input.get(), output.file(), destination);
    if (fileResult_ != 1 || cancelled_) {
        return false;
    }
    if (!output.commit()) {
        errorBox(FileErrorText(GetLastError(), destination), ui::MB_ICONEXCLAMATION);
        fileResult_ = 0;
        return false;
    }
    return true;
}

// 1 when the file was converted (or its conversion cancelled), 0 when it failed.
// A file whose key transfer could not be set gets no further card call.
int Conversion::convertFile(HANDLE source, HANDLE destination, const QString &destinationPath)
{
    if (!keyTransfer(kStageWholeGroups)) {
        reportCardError();
        return 0;
    }
    DWORD high = 0;
    const DWORD low = GetFileSize(source, &high);
    const uint64_t length = (uint64_t(high) << 32) | low;
    progress_->setRange(length);
    const int result = streamFile(source, destination, destinationPath, length);
    if (!cardStateReset()) {
        reportCardError();
        return 0;
    }
    return result;
}

int Conversion::streamFile(HANDLE source, HANDLE destination, const QString &destinationPath, uint64_t length)
{
    uint64_t done = 0;
    for (;;) {
        progress_->showAmount(length, done);
        DWORD count = 0;
        if (!ReadFile(source, block_.data(), DWORD(block_.size()), &count, nullptr)) {
            errorBox(FileErrorText(GetLastError(), Text(text::kUntitledFile)), ui::MB_ICONEXCLAMATION);
            return 0;
        }
        if (count == 0) {
            return 1;
        }
        const uint32_t aligned = count & kGroupMask;
        const uint32_t rest = count - aligned;
        if (aligned > 0 && !dataTransfer(block_.data(), aligned)) {
            reportCardError();
            return 0;
        }
        if (rest > 0 &&
            !(cardStateReset() && keyTransfer(kStageFinalBytes) && dataTransfer(block_.data() + aligned, rest))) {
            reportCardError();
            return 0;
        }
        DWORD written = 0;
        if (!WriteFile(destination, block_.data(), count, &written, nullptr)) {
            errorBox(FileErrorText(GetLastError(), destinationPath), ui::MB_ICONEXCLAMATION);
            return 0;
        }
        if (written < count) {
            errorBox(FileErrorText(ERROR_DISK_FULL, destinationPath), ui::MB_ICONEXCLAMATION);
            return 0;
        }
        done += count;
        if (count < block_.size()) {
            return 1;
        }
        progress_->advance();
        if (progress_->checkCancel()) {
            cancelled_ = true;
            return 1;
        }
    }
}

// Card calls: each with its own request and status for the call's duration.

bool Conversion::pauseOn()
{
    const tagCM_HOOKCONTROLPAUSEON request{kHookRequest};
    tagCM_HOOKCONTROLPAUSEON_STATUS status;
    return CallCard(records_, TVRCM_HookControl_PauseOn, request, status) == 1;
}

bool Conversion::pauseOff()
{
    const tagCM_HOOKCONTROLPAUSEOFF request{kHookRequest};
    tagCM_HOOKCONTROLPAUSEOFF_STATUS status;
    return CallCard(records_, TVRCM_HookControl_PauseOff, request, status) == 1;
}

bool Conversion::textModeOff()
{
    const tagCM_TEXTMODEOFF request{};
    tagCM_TEXTMODEOFF_STATUS status;
    return CallCard(records_, TVRCM_TextModeOff, request, status) == 1;
}

bool Conversion::cardStateReset()
{
    const tagCM_CARDSTATERESET request{kResetKindKeepLogin};
    tagCM_CARDSTATERESET_STATUS status;
    return CallCard(records_, TVRCM_CardStateReset, request, status) == 1;
}

bool Conversion::keyTransfer(uint8_t stage)
{
    tagCM_BASEENCDECKEYTRANSFERSETTING request{};
    request.TransferKind = TransferKindOf(job_);
    PutCardText(request.FirstId, job_.groupId.constData(), std::size_t(job_.groupId.size()));
    PutCardText(request.SecondId, job_.userId.constData(), std::size_t(job_.userId.size()));
    request.Settings[0] = job_.direction == kDirectionToLower ? 0 : 1;
    request.Settings[1] = stage;
    request.Settings[2] = 1;
    request.Settings[3] = 1;
    tagCM_BASEENCDECKEYTRANSFERSETTING_STATUS status;
    return CallCard(records_, TVRCM_BaseEncDecKeyTransferSetting, request, status) == 1;
}

// The card returns the bytes it was given, converted, in their place.
bool Conversion::dataTransfer(uint8_t *bytes, uint32_t count)
{
    tagCM_DATATRANSFER request{};
    std::memcpy(request.Data, bytes, count);
    tagCM_DATATRANSFER_STATUS status;
    if (CallCard(records_, TVRCM_DataTransfer, request, status) != 1) {
        return false;
    }
    std::memcpy(bytes, status.Data, count);
    return true;
}

void Conversion::errorBox(const QString &message, ui::UINT icon)
{
    ui::MessageBox(owner_, message, Text(text::kConversionTitle), ui::MB_OK | icon);
}

} // namespace

bool RunConversion(QWidget *dialog, const CardRecords &records, const ConversionJob &job, BlockBuffer block)
{
    Conversion conversion(dialog, records, job, block);
    return conversion.run();
}

QString DestinationOf(const QString &destinationFolder, const QString &source)
{
    const QString separator = destinationFolder.size() == kDriveRootLength ? QString() : QStringLiteral("\\");
    return destinationFolder + separator + NameOf(source);
}

} // namespace veyra::agent

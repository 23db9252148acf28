// The data conversion dialog: direction, lower card kind and IDs, the files to
// convert and the folder that receives them. OK tests the fields and hands the
// job to the engine; the dialog closes by itself after a completed run.
#pragma once

#include "AgentDialog.h"
#include "CardRecords.h"
#include "RunConversion.h"

#include <array>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace veyra::agent {

class CDataConversionDlg : public AgentDialog {
    Q_OBJECT

public:
    CDataConversionDlg(const CardRecords &records, uint8_t upperCardKind, const QString &userFolder,
                       QWidget *parent = nullptr);

    int direction() const { return direction_; }
    int lowerCardKind() const { return lowerCardKind_; }
    QStringList files() const;

    // The checks, then the run.
    void accept() override;

protected:
    void onInitDialog() override;

private:
    void chooseDirection(int direction);
    void chooseLowerCardKind(int kind);
    void addFiles();
    void addFile(QString path);
    void removeFiles();
    void chooseDestination();
    bool fieldsComplete();
    bool destinationUsable();
    ConversionJob job() const;

    CardRecords records_;
    const uint8_t upperCardKind_;
    const QString userFolder_;
    int direction_ = kDirectionToLower;
    int lowerCardKind_ = kLowerUserCard;
    std::array<uint8_t, kBlockSize> block_{};

    QLabel *directionIcon_;
    QRadioButton *toLower_;
    QRadioButton *toUpper_;
    QLabel *lowerKindIcon_;
    QRadioButton *userCard_;
    QRadioButton *groupCard_;
    QLabel *userIdLabel_;
    QLineEdit *userId_;
    QLabel *groupIdLabel_;
    QLineEdit *groupId_;
    QListWidget *fileList_;
    QLineEdit *destination_;
    QPushButton *chooseDestination_;
};

// The menu's data conversion command. The user ID and password of the login
// are not needed: the card holds the login.
void RunDataConversionDialog(QWidget *owner, const CardRecords &records, uint8_t cardKind, const QString &userId,
                             const QString &password, const QString &userFolder);

} // namespace veyra::agent

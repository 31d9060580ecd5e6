#pragma once
// The colour-depth window: one picture reduced to black and white, 16, 256 or full
// colour with a choice of correction, previewed and saved as BMP.
#include <QRadioButton>
#include <memory>

#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionSave.h"
#include "shell/ui/ToolWindow.h"

class QLabel;

namespace nalo {

class Command;

// The preview box: the working picture at its top-left corner, unscaled, clipped.
class PicturePreview : public QWidget {
public:
    PicturePreview(const cDIBSection& picture, QWidget* parent) : QWidget(parent), picture_(picture) {}

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const cDIBSection& picture_;
};

class Nalo_CDepth : public ToolWindow {
    Q_OBJECT
public:
    explicit Nalo_CDepth(DialogService& dialogs);

    void chooseFile();
    // The file dialog's answer (or a dropped file).
    void openPicture(const QString& file);
    void LoadPictureFile(const QString& file);
    void convert();
    void reset();
    void save();

    int SelectedDepth() const;
    int SelectedMethod() const;
    QRadioButton* optColourDepth(int i) const { return depth_[i]; }
    QRadioButton* optReduceMethod(int i) const { return method_[i]; }
    QRadioButton* optFloydStucciType(int i) const { return palette_[i]; }
    const cDIBSection& WorkPicture() const { return work_; }
    const QString& SaveFolder() const { return saveFolder_; }

protected:
    void saveSettings() override;

private:
    void depthClicked();
    void methodClicked();
    void setPaletteSelection(int index);

    cDIBSection work_;
    std::unique_ptr<cDIBSectionSave> saver_;
    QString currentFile_;
    QString saveFolder_;
    QRadioButton* depth_[4] = {};
    QRadioButton* method_[3] = {};
    QRadioButton* palette_[2] = {};
    Command* cmdConvert_ = nullptr;
    Command* cmdReset_ = nullptr;
    Command* cmdSave_ = nullptr;
    QLabel* lbl_MSG_[2] = {};
    PicturePreview* picCurrent_ = nullptr;
};

}  // namespace nalo

#pragma once
// The high-quality shrink dialog: shrinks the whole picture to 32 x 32 at four qualities
// after one of three square preparations, shows the results side by side and copies
// the chosen one into the icon.
#include <QDialog>
#include <optional>

#include "platform/Dib.h"
#include "tools/pic2ico/Pic2IcoRules.h"
#include "tools/pic2ico/ThumbShrink.h"

class QLabel;

namespace nalo {

class ClickLabel;
class Command;
class DialogService;
class OptionImage;

class Nalo_Thumb : public QDialog {
    Q_OBJECT
public:
    // Reads shared.SourcePath, reads and changes shared.ShrinkMode; OK writes the chosen
    // 32 x 32 result into `iconImage` and sets shared.Captured.
    Nalo_Thumb(DialogService& dialogs, Pic2IcoShared& shared, Dib& iconImage, QWidget* parent = nullptr);

    // The preparation option i (0 as is, 1 square with bands, 2 stretched square).
    void choosePreparation(int mode);
    // "画像の縮小": the four shrinks; the last quality made is chosen.
    void shrink();
    void chooseResult(int quality);
    void ok();

    int chosenResult() const { return chosen_; }
    const ShrinkResults& results() const { return results_; }

    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void showPreparation();
    void showResults();
    void discardResults();

    Pic2IcoShared& shared_;
    Dib& iconImage_;
    ShrinkResults results_;
    int chosen_ = 0;
    bool shrinking_ = false;
    bool opened_ = false;
    bool animatingOpen_ = false;
    std::optional<int> pendingResult_;

    OptionImage* Img_Pr_[3] = {};
    QLabel* picHigh_[ShrinkQualities] = {};
    OptionImage* Img_Sel_[ShrinkQualities] = {};
    ClickLabel* lbl_Sel_[ShrinkQualities] = {};
    Command* cmdLoad_ = nullptr;
    Command* Cmd_OK_ = nullptr;
};

}  // namespace nalo

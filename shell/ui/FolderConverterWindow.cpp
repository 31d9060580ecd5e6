#include "shell/ui/FolderConverterWindow.h"

#include <algorithm>

#include <QLabel>
#include <QListWidget>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "platform/ui/DibImage.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"
#include "shell/Rounding.h"
#include "shell/ui/OverwriteChoice.h"

namespace nalo {

namespace {

QListWidget* makeList(QWidget* parent, const QRect& r, bool multi, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(r);
    list->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    return list;
}

// The preview size of a W x H picture fitted into 100 x 100, aspect kept.
QSize fitted(int w, int h) {
    if (w <= 0 || h <= 0) return {0, 0};
    auto scaled = [](int a, int b) { return std::max(1, static_cast<int>(roundHalfEven(a * 100.0 / b))); };
    return w > h ? QSize(100, scaled(h, w)) : QSize(scaled(w, h), 100);
}

}  // namespace

FolderConverterWindow::FolderConverterWindow(DialogService& dialogs, int slot, const QString& caption,
                                             const Names& names)
    : ToolWindow(dialogs, slot, caption, QSize(560, 420)) {
    Pic_1_ = addPanel(QRect(10, 10, 540, 400));
    Pic_1_->setObjectName("Pic_1");
    auto* folderButton = new HoverButton(names.folderButton, Pic_1_);
    folderButton->setObjectName("Cmd_Folder");
    folderButton->setGeometry(10, 10, 190, 30);
    addLabel(QStringLiteral("ﾌｫﾙﾀﾞ指定..."), QRect(210, 10, 100, 30), Pic_1_);
    Folder_Path_ = addLabel(QString(), QRect(10, 44, 520, 20), Pic_1_);
    Folder_Path_->setObjectName("Folder_Path");

    lbl_Get_ = addLabel(QString(), QRect(10, 68, 170, 18), Pic_1_);
    lbl_Get_->setObjectName("lbl_Get");
    List_get_ = makeList(Pic_1_, QRect(10, 86, 170, 220), true, names.sourceList);
    lbl_Put_ = addLabel(QString(), QRect(190, 68, 170, 18), Pic_1_);
    lbl_Put_->setObjectName("lbl_Put");
    List_put_ = makeList(Pic_1_, QRect(190, 86, 170, 220), false, names.outputList);
    SetListExtent(List_get_);
    SetListExtent(List_put_);

    Cmd_AllSel_ = addCommand(QStringLiteral("全て選択"), QRect(10, 314, 84, 28), Pic_1_, "Cmd_AllSel");
    Cmd_AllReset_ = addCommand(QStringLiteral("全て解除"), QRect(96, 314, 84, 28), Pic_1_, "Cmd_AllReset");
    Cmd_Henkan_ = addCommand(QStringLiteral("変換"), QRect(190, 314, 84, 28), Pic_1_, "Cmd_Henkan");
    auto* exit = addCommand(QStringLiteral("Exit"), QRect(276, 314, 84, 28), Pic_1_, "Cmd_Can");

    addLabel(QStringLiteral("同一ﾌｧｲﾙ名"), QRect(372, 242, 160, 18), Pic_1_);
    Img_Dup_ = new OverwriteChoice(Pic_1_, QPoint(372, 266), 80);

    addLabel(QStringLiteral("ﾌﾟﾚﾋﾞｭｰ"), QRect(372, 290, 100, 18), Pic_1_);
    Pic_K_ = new QLabel(Pic_1_);
    Pic_K_->setObjectName("Pic_K");
    Pic_K_->setGeometry(372, 308, 100, 100);
    Pic_K_->hide();
    lbl_PreSize_ = addLabel(QString(), QRect(476, 308, 60, 40), Pic_1_);
    lbl_PreSize_->setObjectName("lbl_PreSize");
    lbl_PreSize_->setWordWrap(true);

    connect(folderButton, &HoverButton::clicked, this, &FolderConverterWindow::chooseFolder);
    connect(Cmd_AllSel_, &Command::clicked, this, [this] { selectAll(true); });
    connect(Cmd_AllReset_, &Command::clicked, this, [this] { selectAll(false); });
    connect(exit, &Command::clicked, this, &FolderConverterWindow::exitWithSave);
    connect(List_get_, &QListWidget::itemClicked, this, [this] { previewItem(List_get_); });
    connect(List_put_, &QListWidget::itemClicked, this, [this] { previewItem(List_put_); });
    setConversionButtons(false);
    acceptFolderDrops([this](const QString& folder, const QString& dropped) {
        if (dropped != folder) sourceDropped(dropped);
        openFolder(folder);
    });
}

void FolderConverterWindow::setConversionButtons(bool enabled) {
    for (Command* c : {Cmd_AllSel_, Cmd_AllReset_, Cmd_Henkan_}) c->setEnabled(enabled);
}

void FolderConverterWindow::setOverwriteMode(int mode) { Img_Dup_->set(mode); }

void FolderConverterWindow::clearPreview() {
    Pic_K_->clear();
    Pic_K_->hide();
    lbl_PreSize_->clear();
}

void FolderConverterWindow::clearLists() {
    List_get_->clear();
    List_put_->clear();
    clearPreview();
    setConversionButtons(false);
}

void FolderConverterWindow::fillLists() {
    List_get_->clear();
    List_put_->clear();
    ListingHooks hooks;
    hooks.letEventsRun = [] { letEventsRun(); };
    bool reported = false;
    hooks.onError = [this, &reported](const RuntimeError& e) {
        if (!reported) dialogs().message(this, QString::fromStdString(e.description()));
        reported = true;
    };
    // One or more patterns separated by ";", listed together in name order.
    const QStringList patterns = QString::fromStdString(sourcePattern()).split(QLatin1Char(';'));
    std::vector<std::string> names;
    for (const QString& pattern : patterns)
        for (const auto& p : ListFolder(folder(), pattern.toStdString(), hooks)) names.push_back(FileNameOf(p));
    if (patterns.size() > 1) std::sort(names.begin(), names.end(), LessNoCase);
    for (const auto& n : names) List_get_->addItem(QString::fromStdString(n));
    const bool any = List_get_->count() > 0;
    if (any) {
        List_get_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        previewItem(List_get_);
    }
    setConversionButtons(any);
    for (const auto& p : ListFolder(folder(), outputPattern(), hooks))
        List_put_->addItem(QString::fromStdString(FileNameOf(p)));
}

void FolderConverterWindow::chooseFolder() {
    const QString chosen = dialogs().browseFolder(this, QString::fromStdString(folder()));
    if (!chosen.isEmpty()) openFolder(chosen);
}

void FolderConverterWindow::openFolder(const QString& chosen) {
    clearPreview();
    Folder_Path_->setText(chosen);
    folder() = chosen.toStdString();
    fillLists();
}

void FolderConverterWindow::selectAll(bool on) {
    for (int i = 0; i < List_get_->count(); ++i) List_get_->item(i)->setSelected(on);
    if (List_get_->count() > 0) {
        List_get_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        previewItem(List_get_);
    }
}

void FolderConverterWindow::previewItem(QListWidget* list) {
    QListWidgetItem* item = list->currentItem();
    if (!item) return;
    BusyCursor busy;
    Pic_K_->hide();
    try {
        Dib picture;
        if (!loadForPreview(folder() + "/" + item->text().toStdString(), list == List_get_, picture) || picture.empty())
            return;
        lbl_PreSize_->setText(QString("%1 * %2").arg(picture.width()).arg(picture.height()));
        const QSize size = fitted(picture.width(), picture.height());
        Dib small(size.width(), size.height(), 24);
        stretchBlt(small, 0, 0, size.width(), size.height(), picture, 0, 0, picture.width(), picture.height());
        Pic_K_->resize(size);
        Pic_K_->setPixmap(QPixmap::fromImage(toQImage(small)));
        Pic_K_->show();
    } catch (const RuntimeError&) {
        // A file that cannot be previewed leaves the preview hidden.
    }
}

std::vector<std::string> FolderConverterWindow::selectedSources() {
    std::vector<std::string> files;
    for (int i = 0; i < List_get_->count(); ++i)
        if (List_get_->item(i)->isSelected()) files.push_back(folder() + "/" + List_get_->item(i)->text().toStdString());
    return files;
}

void FolderConverterWindow::addOutput(const std::string& path) {
    List_put_->addItem(QString::fromStdString(FileNameOf(path)));
}

}  // namespace nalo

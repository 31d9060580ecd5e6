#include "tools/cd2mp3/ui/Nalo_CD2MP3.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "controls/OptionImage.h"
#include "shell/ErrHandler.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "tools/cd2mp3/TrackConversion.h"
#include "tools/cd2mp3/ui/Nalo_CDP.h"

namespace nalo {

using namespace cd2mp3;

namespace {

constexpr const char* Section = "CD2MP3";
constexpr int Slot = 0;

QString qs(const std::string& s) { return QString::fromStdString(s); }

HoverButton* addHover(const QString& caption, const char* name, const QRect& geometry, QWidget* parent) {
    auto* b = new HoverButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    return b;
}

MsgIcon iconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return MsgIcon::Information;
    case MessageIcon::Critical: return MsgIcon::Critical;
    default: return MsgIcon::None;
    }
}

}  // namespace

Nalo_CD2MP3::Nalo_CD2MP3(DialogService& dialogs, const PlaybackClock* clock, AudioSink* sink)
    : ToolWindow(dialogs, Slot, QStringLiteral("音楽CD  --> MP3、WAV"), QSize(600, 430)),
      mci_(clock ? *clock : steadyClock_, sink ? *sink : outputSink_, nullptr), player_(mci_) {
    setObjectName("Nalo_CD2MP3");
    addLabel(QStringLiteral("CD  -->"), QRect(12, 8, 120, 20), nullptr, true);

    TiledPanel* left = addPanel(QRect(12, 32, 280, 340));
    left->setObjectName("Pic_D0");
    addLabel(QStringLiteral("< 音楽CD >"), QRect(8, 4, 120, 18), left);
    DriveList_ = new QComboBox(left);
    DriveList_->setObjectName("DriveList");
    DriveList_->setGeometry(8, 24, 200, 24);
    Cmd_Image_ = addHover(QStringLiteral("ｲﾒｰｼﾞ..."), "Cmd_Image", QRect(212, 24, 60, 24), left);
    TrackList_ = new QListWidget(left);
    TrackList_->setObjectName("TrackList");
    TrackList_->setGeometry(8, 54, 170, 240);
    TrackList_->setSelectionMode(QAbstractItemView::MultiSelection);
    SetListExtent(TrackList_);
    Cmd_AllSel_[0] = addHover(QStringLiteral("全て選択"), "Cmd_AllSel0", QRect(184, 54, 88, 26), left);
    Cmd_AllSel_[1] = addHover(QStringLiteral("全て選択解除"), "Cmd_AllSel1", QRect(184, 84, 88, 26), left);
    Cmd_PlayCD_ = addHover(QStringLiteral("▶"), "Cmd_PlayCD", QRect(184, 200, 42, 26), left);
    Cmd_StopCD_ = addHover(QStringLiteral("■"), "Cmd_StopCD", QRect(230, 200, 42, 26), left);
    lblTrack_ = addLabel(QStringLiteral("ﾄﾗｯｸNo"), QRect(184, 232, 90, 20), left);
    lblTrack_->setObjectName("lblTrack");
    lblTime_ = addLabel(QStringLiteral("00:00"), QRect(184, 254, 90, 20), left);
    lblTime_->setObjectName("lblTime");

    TiledPanel* right = addPanel(QRect(304, 32, 284, 340));
    right->setObjectName("Pic_D1");
    for (int k = 0; k < 2; ++k) {
        const CaptionedOption o = addCaptionedOption(
            OptionImage::Look::Check, k == 0 ? QStringLiteral("MP3") : QStringLiteral("WAV"),
            QStringLiteral("MP3_WAV") + QString::number(k), QRect(8 + 70 * k, 8, 14, 14), QRect(26 + 70 * k, 4, 40, 22),
            right, [this, k] { setOutputMode(k); });
        Img_MP3_WAV_[k] = o.image;
    }
    addLabel(QStringLiteral("ﾋﾞｯﾄﾚｰﾄ"), QRect(8, 32, 60, 22), right);
    cmbBitrate_ = new QComboBox(right);
    cmbBitrate_->setObjectName("cmbBitrate");
    cmbBitrate_->setGeometry(70, 32, 70, 24);
    for (int b : Bitrates) cmbBitrate_->addItem(QString::number(b));
    addLabel(QStringLiteral("品質"), QRect(150, 32, 40, 22), right);
    cmbQuality_ = new QComboBox(right);
    cmbQuality_->setObjectName("cmbQuality");
    cmbQuality_->setGeometry(190, 32, 86, 24);
    for (const char* q : Qualities) cmbQuality_->addItem(QString::fromLatin1(q));
    Cmd_Out_Folder_ = addHover(QStringLiteral("ｱｳﾄﾌﾟｯﾄ ﾌｫﾙﾀﾞ"), "Cmd_Out_Folder", QRect(8, 62, 120, 26), right);
    lbl_OutPath_ = addLabel(QString(), QRect(8, 92, 268, 20), right);
    lbl_OutPath_->setObjectName("lbl_OutPath");
    addLabel(QStringLiteral("< MP3・WAV ﾌｧｲﾙ >"), QRect(8, 116, 160, 18), right);
    File_List_ = new QListWidget(right);
    File_List_->setObjectName("File_List");
    File_List_->setGeometry(8, 136, 268, 150);
    SetListExtent(File_List_);
    lbl_File_ = addLabel(QStringLiteral("ﾌｧｲﾙ名(再生)"), QRect(8, 292, 170, 20), right);
    lbl_File_->setObjectName("lbl_File");
    Cmd_PlayFile_ = addHover(QStringLiteral("▶"), "Cmd_PlayFile", QRect(184, 290, 42, 26), right);
    Cmd_StopFile_ = addHover(QStringLiteral("■"), "Cmd_StopFile", QRect(230, 290, 42, 26), right);

    Cmd_Convert_ = addHover(QStringLiteral("ｺﾝﾊﾞｰｼﾞｮﾝ"), "Cmd_Convert", QRect(330, 384, 120, 32), this);
    Cmd_End_ = addCommand(QStringLiteral("Exit"), QRect(468, 384, 100, 32), nullptr, "Cmd_End");
    Timer1_ = new QTimer(this);
    Timer1_->setInterval(1000);
    Timer2_ = new QTimer(this);
    Timer2_->setInterval(1000);
    audioPump_ = new QTimer(this);
    audioPump_->setInterval(40);
    connect(audioPump_, &QTimer::timeout, this, [this] {
        if (outputSink_.active()) outputSink_.pump();
    });
    audioPump_->start();

    connect(DriveList_, &QComboBox::activated, this, [this](int index) { chooseDrive(index); });
    connect(Cmd_Image_, &HoverButton::clicked, this, &Nalo_CD2MP3::openImage);
    connect(TrackList_, &QListWidget::itemClicked, this, &Nalo_CD2MP3::clickTrack);
    for (int k = 0; k < 2; ++k) connect(Cmd_AllSel_[k], &HoverButton::clicked, this, [this, k] { selectAll(k); });
    connect(Cmd_PlayCD_, &HoverButton::clicked, this, &Nalo_CD2MP3::playCD);
    connect(Cmd_StopCD_, &HoverButton::clicked, this, &Nalo_CD2MP3::stopCD);
    connect(Cmd_Out_Folder_, &HoverButton::clicked, this, &Nalo_CD2MP3::chooseOutputFolder);
    connect(File_List_, &QListWidget::itemClicked, this, &Nalo_CD2MP3::clickFile);
    connect(Cmd_PlayFile_, &HoverButton::clicked, this, &Nalo_CD2MP3::playFile);
    connect(Cmd_StopFile_, &HoverButton::clicked, this, &Nalo_CD2MP3::stopFile);
    connect(Cmd_Convert_, &HoverButton::clicked, this, &Nalo_CD2MP3::convert);
    connect(Cmd_End_, &Command::clicked, this, &Nalo_CD2MP3::exitWithSave);
    connect(Timer1_, &QTimer::timeout, this, &Nalo_CD2MP3::timer1Tick);
    connect(Timer2_, &QTimer::timeout, this, &Nalo_CD2MP3::timer2Tick);

    SetButtonsState(true, true);
    int16_t quality = 1, bitrate = 9;
    const IniDocument ini = IniDocument::read(IniPath());
    LoadNumberKey(ini, Section, "MP3WAV区分", 0, outputMode_);
    LoadNumberKey(ini, Section, "Quality", 1, quality);
    LoadNumberKey(ini, Section, "Bitrate", 9, bitrate);
    storedFolder_ = LoadFolderKey(ini, Section, "Outputﾌｫﾙﾀﾞ");
    SetUnhandledExceptionFilter(true);
    cmbQuality_->setCurrentIndex(quality);
    cmbBitrate_->setCurrentIndex(bitrate);
    listDrives();
    if (outputMode_ != 1) outputMode_ = 0;
    setOutputMode(outputMode_);
    for (HoverButton* b : {Cmd_PlayCD_, Cmd_StopCD_, Cmd_PlayFile_, Cmd_StopFile_}) b->setEnabled(false);
}

Nalo_CD2MP3::~Nalo_CD2MP3() {
    SetUnhandledExceptionFilter(false);
}

void Nalo_CD2MP3::listDrives() {
    DriveList_->clear();
    TrackList_->clear();
    try {
        if (!reader_) {
            reader_ = std::make_unique<CdReader>();
            drive_ = std::make_unique<CdDrive>(*reader_);
            mci_.setDrive(drive_.get());
        }
        for (const std::string& name : drive_->DriveNames()) {
            DriveList_->addItem(qs(name));
            // A malformed disc image stays listed; its reason shows on the entry.
            const std::string problem = drive_->ImageProblem(DriveList_->count() - 1);
            if (!problem.empty()) DriveList_->setItemData(DriveList_->count() - 1, qs(problem), Qt::ToolTipRole);
        }
    } catch (const RuntimeError&) {
        // Without the CD reader the window lists no drives.
        return;
    }
    if (DriveList_->count() == 0) return;
    DriveList_->setCurrentIndex(0);
    chooseDrive(0, false);
}

void Nalo_CD2MP3::chooseDrive(int index, bool tell) {
    TrackList_->clear();
    if (!drive_) return;
    try {
        if (const std::string problem = drive_->ImageProblem(index); !problem.empty()) {
            drive_->CloseCDDrive();
            if (tell)
                dialogs().message(this, QStringLiteral("ﾃﾞｨｽｸｲﾒｰｼﾞを読めません。\n") + qs(problem), MsgIcon::Exclamation);
            return;
        }
        drive_->CloseCDDrive();
        if (!drive_->OpenCDDrive(index)) return;
        const int tracks = drive_->TrackCount();
        for (int i = 1; i <= tracks; ++i) TrackList_->addItem(qs(TrackName(i)));
    } catch (const RuntimeError&) {
        // A drive that cannot be read lists no tracks.
    }
}

void Nalo_CD2MP3::openImage() {
    if (!reader_) return;
    FileDialogRequest request;
    request.title = QStringLiteral("ﾃﾞｨｽｸｲﾒｰｼﾞを開く");
    request.folder = qs(storedFolder_);
    request.filter = QStringLiteral("ﾃﾞｨｽｸｲﾒｰｼﾞ (*.cue *.toc *.nrg)");
    const QString chosen = dialogs().openFile(this, request);
    if (chosen.isEmpty()) return;
    uint32_t position = 0;
    try {
        position = reader_->AddCDImage(chosen.toStdString());
    } catch (const RuntimeError&) {
    }
    if (position == 0) {
        dialogs().message(this, chosen + QStringLiteral(" を開けません。"), MsgIcon::Exclamation);
        return;
    }
    stopAllPlayback();
    listDrives();
    DriveList_->setCurrentIndex(int(position) - 1);
    chooseDrive(int(position) - 1);
}

void Nalo_CD2MP3::stopAllPlayback() {
    if (Timer1_->isActive()) {
        player_.StopCD();
        Timer1_->stop();
    }
    if (Timer2_->isActive()) {
        player_.StopMp3File();
        Timer2_->stop();
    }
    if (EndsWithNoCase(playFilePath_, "WAV") && wavPlaying_) {
        player_.StopWavFile();
        wavPlaying_ = false;
    }
}

void Nalo_CD2MP3::clickTrack() {
    if (TrackList_->currentRow() < 0) return;
    stopAllPlayback();
    lblTrack_->setText(QStringLiteral("ﾄﾗｯｸNo"));
    lblTime_->setText(QStringLiteral("00:00"));
    currentTrack_ = TrackList_->currentRow() + 1;
    lblTrack_->setText(QStringLiteral("ﾄﾗｯｸNo : ") + QString::number(currentTrack_));
    Cmd_PlayCD_->setEnabled(true);
    Cmd_StopCD_->setEnabled(false);
}

void Nalo_CD2MP3::selectAll(int k) {
    for (int i = 0; i < TrackList_->count(); ++i) TrackList_->item(i)->setSelected(k == 0);
    if (TrackList_->count() > 0) TrackList_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void Nalo_CD2MP3::setOutputMode(int k) {
    Img_MP3_WAV_[k]->setChecked(true);
    Img_MP3_WAV_[1 - k]->setChecked(false);
    outputMode_ = static_cast<int16_t>(k);
}

void Nalo_CD2MP3::fillFileList() {
    const std::string folder = lbl_OutPath_->text().toStdString();
    std::vector<std::string> files;
    ListingHooks hooks;
    hooks.letEventsRun = [] { ToolWindow::letEventsRun(); };
    bool reported = false;
    hooks.onError = [this, &reported](const RuntimeError& e) {
        if (!reported) dialogs().message(this, qs(e.description()));
        reported = true;
    };
    for (int attribute : {AttrNormal, AttrArchive})
        for (const char* wildcard : {"*.mp3", "*.wav"})
            if (!CollectFiles(AddBackslash(folder) + wildcard, attribute, files, hooks)) break;
    File_List_->clear();
    for (const std::string& f : files) File_List_->addItem(qs(FileNameOf(f)));
}

void Nalo_CD2MP3::chooseOutputFolder() {
    const QString chosen = dialogs().browseFolder(this, qs(storedFolder_));
    if (chosen.isEmpty()) return;
    lbl_OutPath_->setText(chosen);
    storedFolder_ = chosen.toStdString();
    fillFileList();
}

bool Nalo_CD2MP3::fileListed(const QString& name) const {
    return !File_List_->findItems(name, Qt::MatchExactly).isEmpty();
}

void Nalo_CD2MP3::convert() {
    if (running_) return;
    if (TrackList_->selectedItems().isEmpty()) {
        dialogs().message(this, QStringLiteral("ﾄﾗｯｸが選択されていません！"), MsgIcon::Exclamation);
        return;
    }
    if (lbl_OutPath_->text().isEmpty()) {
        dialogs().message(this, QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｫﾙﾀﾞが選択されていません！"), MsgIcon::Exclamation);
        return;
    }
    BusyCursor busy;
    CancelRequested = false;
    running_ = true;
    ConversionOptions options;
    options.mode = outputMode_ == 1 ? OutputMode::Wav : OutputMode::Mp3;
    const std::string folder = lbl_OutPath_->text().toStdString();
    try {
        if (options.mode == OutputMode::Mp3) {
            options.config = MakeLameConfig(cmbBitrate_->currentText().toInt(),
                                            PresetOfQuality(cmbQuality_->currentIndex()));
            if (!encoder_) encoder_ = std::make_unique<Mp3Encoder>();
        }
        for (int k = 1; k <= TrackList_->count() && !closeAfterRun_; ++k) {
            if (CancelRequested) break;
            QListWidgetItem* item = TrackList_->item(k - 1);
            if (!item->isSelected()) continue;
            const QString fileName = item->text() + QString::fromLatin1(OutputExtension(options.mode));
            const std::string path = AddBackslash(folder) + fileName.toStdString();
            const bool listed = fileListed(fileName);
            // A file on disk that the list does not show is asked about as well.
            if ((listed || FileExists(path)) &&
                dialogs().message(this, QStringLiteral("同じﾌｧｲﾙ名があります。上書きしますか？"), MsgIcon::Question,
                                  MsgButtons::YesNo) != MsgResult::Yes)
                continue;
            const CopyResult r = ConvertTrack(*drive_, encoder_.get(), *this, path, k, options);
            // An unfinished track is listed under the name its partial file was kept as.
            const QString made = r.outcome == CopyOutcome::Complete ? fileName
                                 : r.kept.empty()                    ? QString()
                                                                     : qs(FileNameOf(r.kept));
            if (!made.isEmpty() && !fileListed(made)) File_List_->addItem(made);
        }
    } catch (const RuntimeError& e) {
        UnloadProgress();
        dialogs().message(this, qs(e.description()), MsgIcon::Critical);
    }
    running_ = false;
    if (closeAfterRun_) close();
}

void Nalo_CD2MP3::playCD() {
    Timer1_->start();
    wavPlaying_ = false;
    player_.PlayCDTrack(currentTrack_);
    Cmd_PlayCD_->setEnabled(false);
    Cmd_StopCD_->setEnabled(true);
}

void Nalo_CD2MP3::stopCD() {
    player_.StopCD();
    Timer1_->stop();
    lblTime_->setText(QStringLiteral("00:00"));
    Cmd_PlayCD_->setEnabled(true);
    Cmd_StopCD_->setEnabled(false);
}

void Nalo_CD2MP3::timer1Tick() {
    lblTrack_->setText(QStringLiteral("ﾄﾗｯｸ : ") + qs(player_.CDCurrentTrack()));
    const int m = player_.CDRemainingMinutes();
    const std::string s = player_.CDRemainingSeconds();
    lblTime_->setText(QString::number(m) + ":" + qs(s));
    if (m == 0 && std::atoi(s.c_str()) <= 2) stopCD();
}

void Nalo_CD2MP3::clickFile() {
    QListWidgetItem* item = File_List_->currentItem();
    if (!item) return;
    stopAllPlayback();
    playFilePath_ = AddBackslash(lbl_OutPath_->text().toStdString()) + item->text().toStdString();
    lbl_File_->setText(item->text());
    Cmd_PlayFile_->setEnabled(true);
    Cmd_StopFile_->setEnabled(false);
}

void Nalo_CD2MP3::playFile() {
    wavPlaying_ = false;
    if (EndsWithNoCase(playFilePath_, "WAV")) {
        wavPlaying_ = true;
        player_.PlayWavFile(playFilePath_);
    }
    if (EndsWithNoCase(playFilePath_, "MP3")) {
        player_.PlayMp3File(playFilePath_);
        Timer2_->start();
    }
    Cmd_PlayFile_->setEnabled(false);
    Cmd_StopFile_->setEnabled(true);
}

void Nalo_CD2MP3::stopFile() {
    if (EndsWithNoCase(playFilePath_, "WAV") && wavPlaying_) {
        player_.StopWavFile();
        wavPlaying_ = false;
    }
    if (EndsWithNoCase(playFilePath_, "MP3")) {
        Timer2_->stop();
        player_.StopMp3File();
    }
    Cmd_PlayFile_->setEnabled(true);
    Cmd_StopFile_->setEnabled(false);
}

void Nalo_CD2MP3::timer2Tick() { player_.RestartMp3IfStopped(); }

void Nalo_CD2MP3::ShowProgress() {
    progress_ = std::make_unique<Nalo_CDP>(this);
    progress_->show();
}

void Nalo_CD2MP3::ChangeProgress(const std::string& Status, float CurVal, float TotVal) {
    if (progress_) progress_->ChangeProgress(Status, CurVal, TotVal);
}

void Nalo_CD2MP3::UnloadProgress() { progress_.reset(); }

void Nalo_CD2MP3::message(const UserMessage& m, const std::string& caption) {
    dialogs().message(this, qs(m.text), iconOf(m.icon), MsgButtons::Ok,
                      caption.empty() ? QStringLiteral("Nalo") : qs(caption));
}

void Nalo_CD2MP3::saveSettings() {
    SaveNumberKey(Section, "MP3WAV区分", outputMode_);
    SaveNumberKey(Section, "Quality", static_cast<int16_t>(cmbQuality_->currentIndex()));
    SaveNumberKey(Section, "Bitrate", static_cast<int16_t>(cmbBitrate_->currentIndex()));
    SaveFolderKey(Section, "Outputﾌｫﾙﾀﾞ", lbl_OutPath_->text().toStdString());
}

void Nalo_CD2MP3::closeEvent(QCloseEvent* event) {
    if (running_) {
        // A conversion in progress ends after its current block; the window closes then.
        CancelRequested = true;
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    stopAllPlayback();
    SetUnhandledExceptionFilter(false);
    ToolWindow::letEventsRun();
    ToolWindow::closeEvent(event);
}

}  // namespace nalo

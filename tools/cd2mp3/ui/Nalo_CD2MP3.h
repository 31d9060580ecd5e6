#pragma once
// The audio-CD window: a drive and its tracks, converted into WAV or MP3 files in an
// output folder with a progress window, and playback of a track or of a file written.
#include <QString>
#include <memory>
#include <string>

#include "shell/ui/ToolWindow.h"
#include "tools/cd2mp3/MciLayer.h"
#include "tools/cd2mp3/Nalo_CD.h"
#include "tools/cd2mp3/OutputAudioSink.h"
#include "tools/cd2mp3/TrackCopy.h"

class QComboBox;
class QLabel;
class QListWidget;
class QTimer;

namespace nalo {

class Command;
class HoverButton;
class Nalo_CDP;
class OptionImage;

class Nalo_CD2MP3 : public ToolWindow, public cd2mp3::CopyHost {
    Q_OBJECT
public:
    // `clock` and `sink` drive playback (the machine's clock and the audio-output layer
    // when not given).
    explicit Nalo_CD2MP3(DialogService& dialogs, const cd2mp3::PlaybackClock* clock = nullptr,
                         cd2mp3::AudioSink* sink = nullptr);
    ~Nalo_CD2MP3() override;

    // The actions, as the controls trigger them.
    // Lists the tracks of drive `index`; a malformed disc image lists none and, when
    // `tell`, says why.
    void chooseDrive(int index, bool tell = true);
    void openImage();
    void clickTrack();
    void selectAll(int k);
    void setOutputMode(int k);
    void chooseOutputFolder();
    void convert();
    void playCD();
    void stopCD();
    void timer1Tick();
    void clickFile();
    void playFile();
    void stopFile();
    void timer2Tick();

    int outputMode() const { return outputMode_; }
    Nalo_CDP* progressWindow() const { return progress_.get(); }

    // CopyHost
    void ShowProgress() override;
    void ChangeProgress(const std::string& Status, float CurVal, float TotVal) override;
    void UnloadProgress() override;
    void letEventsRun() override { ToolWindow::letEventsRun(); }
    void message(const UserMessage& m, const std::string& caption) override;

protected:
    void saveSettings() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void listDrives();
    void stopAllPlayback();
    void fillFileList();
    bool fileListed(const QString& name) const;

    int16_t outputMode_ = 0;
    std::string storedFolder_;
    int currentTrack_ = 0;
    std::string playFilePath_;
    bool wavPlaying_ = false;
    bool running_ = false, closeAfterRun_ = false;

    std::unique_ptr<CdReader> reader_;
    std::unique_ptr<cd2mp3::CdDrive> drive_;
    std::unique_ptr<Mp3Encoder> encoder_;
    std::unique_ptr<Nalo_CDP> progress_;
    cd2mp3::SteadyClock steadyClock_;
    cd2mp3::OutputAudioSink outputSink_;
    cd2mp3::MciLayer mci_;
    cd2mp3::Nalo_CD player_;

    QComboBox* DriveList_ = nullptr;
    QListWidget* TrackList_ = nullptr;
    HoverButton* Cmd_AllSel_[2] = {};
    HoverButton* Cmd_PlayCD_ = nullptr;
    HoverButton* Cmd_StopCD_ = nullptr;
    HoverButton* Cmd_Image_ = nullptr;
    QLabel* lblTrack_ = nullptr;
    QLabel* lblTime_ = nullptr;
    OptionImage* Img_MP3_WAV_[2] = {};
    QComboBox* cmbBitrate_ = nullptr;
    QComboBox* cmbQuality_ = nullptr;
    HoverButton* Cmd_Out_Folder_ = nullptr;
    QLabel* lbl_OutPath_ = nullptr;
    QListWidget* File_List_ = nullptr;
    QLabel* lbl_File_ = nullptr;
    HoverButton* Cmd_PlayFile_ = nullptr;
    HoverButton* Cmd_StopFile_ = nullptr;
    HoverButton* Cmd_Convert_ = nullptr;
    Command* Cmd_End_ = nullptr;
    QTimer* Timer1_ = nullptr;
    QTimer* Timer2_ = nullptr;
    QTimer* audioPump_ = nullptr;  // feeds the audio output while something plays
};

}  // namespace nalo

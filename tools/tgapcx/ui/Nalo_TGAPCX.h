#pragma once
// The TGA/PCX converter window: many pictures of one folder between TGA, PCX, BMP,
// GIF and JPEG, by one of twelve kinds.
#include "shell/ui/FolderConverterWindow.h"
#include "tools/tgapcx/TgaPcxConverter.h"

class QComboBox;

namespace nalo {

class Nalo_TGAPCX : public FolderConverterWindow {
    Q_OBJECT
public:
    explicit Nalo_TGAPCX(DialogService& dialogs);

    void convert();
    void setKind(int index);
    int kind() const { return kind_; }
    QComboBox* Combo_Kind() const { return combo_; }

protected:
    void saveSettings() override;
    std::string& folder() override { return folder_; }
    std::string sourcePattern() const override;
    std::string outputPattern() const override;
    bool loadForPreview(const std::string& path, bool fromSourceList, Dib& picture) override;
    // A file the current kind does not read switches to the first kind that does.
    void sourceDropped(const QString& file) override;

private:
    const tgapcx::ConversionKind& current() const { return tgapcx::ConversionKinds[static_cast<size_t>(kind_)]; }

    std::string folder_;
    int kind_ = 0;
    QComboBox* combo_ = nullptr;
};

}  // namespace nalo

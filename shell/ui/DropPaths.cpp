#include "shell/ui/DropPaths.h"

#include <QDragMoveEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include "codecs/GifBlockWalk.h"
#include "platform/FileBytes.h"
#include "platform/VideoFileTypes.h"
#include "shell/FileHelpers.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

// Menu buttons of the tools a dropped file opens.
constexpr int SplitterTool = 4, AviToGifTool = 5, ColourDepthTool = 9, TgaPcxTool = 10;

size_t gifFrameCount(const QString& file) {
    try {
        const FileBuffer bytes = readFileBytes(file.toStdString(), "MenuToolFor");
        GifScreenInfo screen;
        std::vector<GifFrameInfo> frames;
        return WalkGifBlocks(bytes, screen, frames) ? frames.size() : 0;
    } catch (const RuntimeError&) {
        return 0;
    }
}

}  // namespace

QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << QFileInfo(url.toLocalFile()).absoluteFilePath();
    return paths;
}

QString DroppedFolder(const QStringList& paths) {
    if (paths.isEmpty()) return {};
    const QFileInfo first(paths.front());
    if (first.isDir()) return first.absoluteFilePath();
    return first.exists() ? first.absolutePath() : QString();
}

QString DroppedFile(const QStringList& paths, const QString& filter) {
    if (paths.size() != 1 || !QFileInfo(paths.front()).isFile()) return {};
    static const QRegularExpression wildcard(QStringLiteral("\\*\\.[^\\s;()]+"));
    const std::string name = FileNameOf(paths.front().toStdString());
    for (const auto& m : wildcard.globalMatch(filter))
        if (WildcardMatch(m.captured().toStdString(), name)) return paths.front();
    return {};
}

int MenuToolFor(const QString& file) {
    if (!QFileInfo(file).isFile()) return -1;
    const QString ext = QFileInfo(file).suffix().toLower();
    if (ext == "bmp" || ext == "jpg" || ext == "png" || ext == "webp" || ext == "tif" || ext == "tiff")
        return ColourDepthTool;
    if (ext == "gif") return gifFrameCount(file) > 1 ? SplitterTool : ColourDepthTool;
    if (ext == "tga" || ext == "pcx") return TgaPcxTool;
    if (IsVideoExtension(ext.toStdString())) return AviToGifTool;
    return -1;
}

void AnswerDrag(QDragMoveEvent* event, bool usable) {
    if (usable) event->acceptProposedAction();
    else event->ignore();
}

}  // namespace nalo

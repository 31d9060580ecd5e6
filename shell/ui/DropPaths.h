#pragma once
// What a drop of files names: its local paths, the folder it stands for, the one file
// a file dialog's filter would accept, and the menu tool that opens a file.
#include <QString>
#include <QStringList>

class QDragMoveEvent;
class QMimeData;

namespace nalo {

// The local files and folders of a drop, in drop order (other URLs left out).
QStringList LocalPaths(const QMimeData* data);

// The folder a drop stands for: its first path when that is a folder, else the folder
// of that file; "" when the first path does not exist.
QString DroppedFolder(const QStringList& paths);

// The only path of `paths` when it is an existing file matching one of the wildcards
// (e.g. "*.bmp") of the dialog filter or pattern list `filter`; "" otherwise.
QString DroppedFile(const QStringList& paths, const QString& filter);

// The menu button (Cmd_1 index) whose tool opens `file`, by its type: BMP and JPG to
// the colour-depth tool, GIF to the splitter when animated (more than one frame) and
// to the colour-depth tool otherwise, TGA and PCX to the TGA/PCX converter, AVI to
// AVI to GIF; -1 for any other file.
int MenuToolFor(const QString& file);

// Accepts a drag the window can use, or refuses it (the "forbidden" pointer).
void AnswerDrag(QDragMoveEvent* event, bool usable);

}  // namespace nalo

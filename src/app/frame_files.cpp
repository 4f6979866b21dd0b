// The frame's ways of opening pictures: its Open dialog, the recent file kept in config.ini,
// files dropped on it or named on the command line.

#include "app/frame_form.h"

#include "document/file_commands.h"
#include "document/form_main.h"
#include "platform/framework/profile.h"

#include <QAction>
#include <QDir>

namespace {

const QString NamesSection = QStringLiteral("Names");
const QString RecentKey = QStringLiteral("1");
// As much of the entry as is read back.
constexpr int RecentNameLimit = 2047;

} // namespace

QString TFrameForm::ConfigPath() const
{
    return QDir(ProgramDir).filePath(QString::fromLatin1(ConfigFileName));
}

void TFrameForm::readRecentFile()
{
    HistoryName = TIniFile(ConfigPath()).ReadString(NamesSection, RecentKey, QString()).left(RecentNameLimit);
    if (HistoryName.isEmpty())
        return;
    Sep1->setVisible(true);
    Hist1->setVisible(true);
    Hist1->setText(HistoryName);
}

void TFrameForm::Open1Click()
{
    OpenFileDialog.filter = file_commands::openFilter(true);
    if (!forms::executeFileDialog(this, forms::FileDialogKind::Open, OpenFileDialog))
        return;
    TFormMain* window = file_commands::OpenPicture(ClientArea, OpenFileDialog.fileName, OpenFileDialog.filterIndex);
    TIniFile(ConfigPath()).WriteString(NamesSection, RecentKey, window->FileName);
}

void TFrameForm::Hist1Click()
{
    file_commands::OpenByName(ClientArea, HistoryName, file_commands::ViewFormat::AsRead);
}

void TFrameForm::OpenFilesByName(const QStringList& fileNames, PictureReadAhead* readAhead)
{
    for (const QString& fileName : fileNames)
        file_commands::OpenByName(ClientArea, QDir::current().absoluteFilePath(fileName),
                                  file_commands::ViewFormat::TrueColor, readAhead);
}

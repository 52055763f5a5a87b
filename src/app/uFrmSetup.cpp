#include <app/uFrmSetup.h>

#include "ui_FrmSetup.h"

#include <app/uAppErrors.h>
#include <app/uTranslations.h>
#include <app/uWindowHelpers.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>

#include <algorithm>

namespace {

// A path box reads black while it names a file, grey otherwise.
const QColor ExistingPathColor(0, 0, 0);
const QColor MissingPathColor(128, 128, 128);

// A browser path counts only when it names an existing file (not a folder).
bool ExecutableFileExists(const QString& Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isFile();
}

} // namespace

TFrmSetup::TFrmSetup(TSetupData& Settings, TBrowserAvailability& Browsers, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFrmSetup>()), FSettings(Settings),
      FBrowsers(Browsers)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowFont(11));
    setFixedSize(617, 236);
    FitOptionsRow();

    FEdits = {ui->iePathEdit,      ui->firefoxPathEdit,    ui->chromePathEdit,
              ui->vivaldiPathEdit, ui->torBrowserPathEdit, ui->paleMoonPathEdit};
    const std::array<QPushButton*, BrowserCount> Buttons = {
        ui->ieBrowseButton,      ui->firefoxBrowseButton,    ui->chromeBrowseButton,
        ui->vivaldiBrowseButton, ui->torBrowserBrowseButton, ui->paleMoonBrowseButton};
    // The boxes are named by their labels; each Browse button by its row.
    const std::array<QLabel*, BrowserCount> Labels = {
        ui->iePathLabel,      ui->firefoxPathLabel,    ui->chromePathLabel,
        ui->vivaldiPathLabel, ui->torBrowserPathLabel, ui->paleMoonPathLabel};
    for (int Row = 0; Row < int(BrowserCount); ++Row) {
        QString Name = Labels[size_t(Row)]->text();
        if (Name.endsWith(u':'))
            Name.chop(1);
        Labels[size_t(Row)]->setBuddy(FEdits[size_t(Row)]);
        FEdits[size_t(Row)]->setAccessibleName(Name);
        Buttons[size_t(Row)]->setAccessibleName(Buttons[size_t(Row)]->text() + u' ' + Name);
    }
    FTag.fill(1);
    for (int Row = 0; Row < int(BrowserCount); ++Row) {
        connect(FEdits[Row], &QLineEdit::textChanged, this, [this, Row] { onPathEdited(Row); });
        connect(Buttons[Row], &QPushButton::clicked, this, [this, Row] { onBrowse(Row); });
    }
    connect(ui->openBaseBookmarkCheck, &QCheckBox::toggled, this,
            &TFrmSetup::onOpenBaseBookmarkToggled);
    connect(ui->saveHistoryCheck, &QCheckBox::toggled, this, &TFrmSetup::onSaveHistoryToggled);
    connect(ui->simplifyAmazonCheck, &QCheckBox::toggled, this,
            &TFrmSetup::onSimplifyAmazonToggled);
    connect(ui->defaultsButton, &QPushButton::clicked, this, &TFrmSetup::onDefaults);
    connect(ui->restoreButton, &QPushButton::clicked, this, &TFrmSetup::onRestore);
    connect(ui->clearHistoryButton, &QPushButton::clicked, this, &TFrmSetup::onClearHistory);
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    // The first computation in a run: the main window's "Open by" commands depend on
    // the availability from the start.
    UpdateAllBrowsers();
    FTag.fill(0);

    // The path boxes start where the widest caption ends, and grow when the options row
    // needs more room than the designed width; the buttons keep to the right edge.
    const int Extra =
        WidenCaptionColumn({ui->iePathLabel, ui->firefoxPathLabel, ui->chromePathLabel,
                            ui->vivaldiPathLabel, ui->torBrowserPathLabel, ui->paleMoonPathLabel});
    const int Grow =
        std::max(0, ui->simplifyAmazonCheck->geometry().right() + 9 - (width() + Extra));
    if (Extra + Grow > 0) {
        for (QLineEdit* Edit : FEdits)
            Edit->setGeometry(Edit->x() + Extra, Edit->y(), Edit->width() + Grow, Edit->height());
        for (QWidget* W : std::initializer_list<QWidget*>{
                 ui->ieBrowseButton, ui->firefoxBrowseButton, ui->chromeBrowseButton,
                 ui->vivaldiBrowseButton, ui->torBrowserBrowseButton, ui->paleMoonBrowseButton,
                 ui->okButton, ui->cancelButton})
            W->move(W->x() + Extra + Grow, W->y());
        setFixedSize(width() + Extra + Grow, height());
    }
}

TFrmSetup::~TFrmSetup() = default;

void TFrmSetup::FitOptionsRow()
{
    // The row is laid out for Tahoma; with a wider face a caption would be cut off,
    // so each control moves right just as far as the one before it needs.
    const std::array<QWidget*, 4> Row = {ui->openBaseBookmarkCheck, ui->saveHistoryCheck,
                                         ui->clearHistoryButton, ui->simplifyAmazonCheck};
    int Right = 0;
    for (QWidget* W : Row) {
        QRect R = W->geometry();
        if (qobject_cast<QCheckBox*>(W))
            R.setWidth(std::max(R.width(), W->sizeHint().width()));
        R.moveLeft(std::max(R.left(), Right + 4));
        W->setGeometry(R);
        Right = R.right() + 1;
    }
}

void TFrmSetup::Execute()
{
    FBackup = FSettings;
    ShowSettings();
    CentreOnActiveWindow(this);
    if (exec() != QDialog::Accepted) {
        FSettings = FBackup;
        // The availability follows the settings that are in force again; otherwise an
        // edit made and then cancelled would keep showing or hiding "Open by" commands.
        UpdateAllBrowsers();
    }
}

void TFrmSetup::UpdateAllBrowsers()
{
    for (int Row = 0; Row < int(BrowserCount); ++Row)
        UpdateBrowser(Row);
}

void TFrmSetup::ShowSettings()
{
    // Rows 1-3 are filled silently; rows 4-6 react as to an edit, which stores the
    // same text back and recomputes their flags.
    for (int Row = 0; Row < 3; ++Row)
        FTag[Row] = 1;
    for (int Row = 0; Row < int(BrowserCount); ++Row)
        FEdits[Row]->setText(FSettings.*BrowserPrograms()[std::size_t(Row)].Path);
    ui->openBaseBookmarkCheck->setChecked(FSettings.isOpenBaseBookmark);
    ui->saveHistoryCheck->setChecked(FSettings.isSaveHistory);
    ui->simplifyAmazonCheck->setChecked(FSettings.isAmazonShort);
    for (int Row = 0; Row < 3; ++Row)
        FTag[Row] = 0;
}

void TFrmSetup::BrowsePath(const QString& Title, QLineEdit* Edit)
{
    const QString Text = QDir::fromNativeSeparators(Edit->text());
    const qsizetype Slash = Text.lastIndexOf(u'/');
    const QString FileName = Text.mid(Slash + 1);
    QString Folder;
    if (Slash == 0)
        Folder = QStringLiteral("/");
    else if (Slash > 0)
        Folder = Text.left(Slash);

    // One entry that shows only the file the box names (iexplore (iexplore.exe));
    // where executables have no extension the mask is the bare name itself.
    QString Filter;
    if (!FileName.isEmpty())
        Filter = QStringLiteral("%1 (%2)").arg(QFileInfo(FileName).completeBaseName(), FileName);
    else
        Filter = QStringLiteral("* (*)");

    QFileDialog browseDialog(this, Title, Folder);
    browseDialog.setObjectName(QStringLiteral("browseDialog"));
    browseDialog.setFileMode(QFileDialog::ExistingFile);
    browseDialog.setAcceptMode(QFileDialog::AcceptOpen);
    browseDialog.setNameFilter(Filter);
    if (!FileName.isEmpty())
        browseDialog.selectFile(FileName);
    if (browseDialog.exec() != QDialog::Accepted)
        return;
    const QStringList Files = browseDialog.selectedFiles();
    if (!Files.isEmpty())
        Edit->setText(QDir::toNativeSeparators(Files.first()));
}

void TFrmSetup::SetPathColor(QWidget* Edit, bool Exists)
{
    QPalette Palette = Edit->palette();
    const QColor Color = Exists ? ExistingPathColor : MissingPathColor;
    Palette.setColor(QPalette::Active, QPalette::Text, Color);
    Palette.setColor(QPalette::Inactive, QPalette::Text, Color);
    Edit->setPalette(Palette);
}

void TFrmSetup::UpdateBrowser(int Row)
{
    const bool Available =
        ExecutableFileExists(FSettings.*BrowserPrograms()[std::size_t(Row)].Path);
    FBrowsers[BrowserPrograms()[std::size_t(Row)].Browser] = Available;
    SetPathColor(FEdits[Row], Available);
}

void TFrmSetup::onPathEdited(int Row)
{
    if (FTag[Row] != 0)
        return;
    FSettings.*BrowserPrograms()[std::size_t(Row)].Path = FEdits[Row]->text();
    UpdateBrowser(Row);
}

void TFrmSetup::onBrowse(int Row)
{
    BrowsePath(QCoreApplication::translate("TBrowserCommand",
                                           BrowserCommands()[std::size_t(Row)].BrowseTitle),
               FEdits[Row]);
}

void TFrmSetup::onOpenBaseBookmarkToggled()
{
    FSettings.isOpenBaseBookmark = ui->openBaseBookmarkCheck->isChecked();
}

void TFrmSetup::onSaveHistoryToggled()
{
    FSettings.isSaveHistory = ui->saveHistoryCheck->isChecked();
}

void TFrmSetup::onSimplifyAmazonToggled()
{
    FSettings.isAmazonShort = ui->simplifyAmazonCheck->isChecked();
}

void TFrmSetup::onDefaults()
{
    SetupDataDefault(FSettings);
    UpdateAllBrowsers();
    ShowSettings();
}

void TFrmSetup::onRestore()
{
    FSettings = FBackup;
    UpdateAllBrowsers();
    ShowSettings();
}

void TFrmSetup::onClearHistory()
{
    // The files go to the trash at once; neither Cancel nor Restore brings them back.
    // An error is shown and the dialog stays open.
    int Count = 0;
    if (!RunGuarded(this, [&Count] { Count = ClearHistoryFiles(); }) || Count <= 0)
        return;
    QMessageBox Box(QMessageBox::Information, QStringLiteral("Zorvel"),
                    tr("%1 HTML File was deleted.").arg(Count), QMessageBox::Ok, this);
    Box.exec();
}

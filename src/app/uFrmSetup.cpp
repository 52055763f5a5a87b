#include <app/uFrmSetup.h>

#include "ui_FrmSetup.h"

#include <app/uAppErrors.h>
#include <app/uDialogFont.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>

#include <algorithm>

TSetupData SetupDataBackup;
TFrmSetup* FrmSetup = nullptr;

namespace {

// What each of the six rows edits, in row order.
struct TPathRow
{
    QString TSetupData::*Path;
    const char16_t* BrowseTitle;
};

const TPathRow PathRows[6] = {
    {&TSetupData::IEPath, u"Path of Internet Explorer"},
    {&TSetupData::FFPath, u"Path of Mozilla Firefox"},
    {&TSetupData::CHPath, u"Path of Google Chrome"},
    {&TSetupData::VIPath, u"Path of Vivaldi"},
    {&TSetupData::TRPath, u"Path of Tor Browser"},
    {&TSetupData::PMPath, u"Path of Pale Moon"},
};

// A browser path counts only when it names an existing file (not a folder).
bool ExecutableFileExists(const QString& Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isFile();
}

} // namespace

TFrmSetup::TFrmSetup(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TFrmSetup>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont(11));
    setFixedSize(617, 236);
    FitOptionsRow();

    FEdits = {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4, ui->Edit5, ui->Edit6};
    const std::array<QPushButton*, 6> Buttons = {ui->Button1, ui->Button2, ui->Button3,
                                                 ui->Button4, ui->Button5, ui->Button6};
    FTag.fill(1);
    for (int Row = 0; Row < 6; ++Row) {
        connect(FEdits[Row], &QLineEdit::textChanged, this, [this, Row] { EditChange(Row); });
        connect(Buttons[Row], &QPushButton::clicked, this, [this, Row] { ButtonClick(Row); });
    }
    connect(ui->CheckBox1, &QCheckBox::toggled, this, &TFrmSetup::CheckBox1Click);
    connect(ui->CheckBox2, &QCheckBox::toggled, this, &TFrmSetup::CheckBox2Click);
    connect(ui->CheckBox3, &QCheckBox::toggled, this, &TFrmSetup::CheckBox3Click);
    connect(ui->BtDefault, &QPushButton::clicked, this, &TFrmSetup::BtDefaultClick);
    connect(ui->BtRestore, &QPushButton::clicked, this, &TFrmSetup::BtRestoreClick);
    connect(ui->BtClearHistory, &QPushButton::clicked, this, &TFrmSetup::BtClearHistoryClick);
    connect(ui->BtOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtCancel, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

TFrmSetup::~TFrmSetup() = default;

void TFrmSetup::FitOptionsRow()
{
    // The row is laid out for Tahoma; with a wider face a caption would be cut off,
    // so each control moves right just as far as the one before it needs.
    const std::array<QWidget*, 4> Row = {ui->CheckBox1, ui->CheckBox2, ui->BtClearHistory,
                                         ui->CheckBox3};
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

void TFrmSetup::FormCreate()
{
    // The first computation of the flags in a run: the main window's "Open by"
    // commands depend on them from the start.
    PathExists();
    FTag.fill(0);
}

void TFrmSetup::Execute()
{
    SetupDataBackup = SetupData;
    ShowSetupData();
    if (!parentWidget()) {
        if (QWidget* Owner = QApplication::activeWindow(); Owner && Owner != this)
            move(Owner->frameGeometry().center() - rect().center());
    }
    if (exec() != QDialog::Accepted) {
        SetupData = SetupDataBackup;
        // The flags follow the settings that are in force again; otherwise an edit
        // made and then cancelled would keep showing or hiding "Open by" commands.
        PathExists();
    }
}

void TFrmSetup::PathExists()
{
    UpdateIEExists();
    UpdateFFExists();
    UpdateCHExists();
    UpdateVIExists();
    UpdateTRExists();
    UpdatePMExists();
}

void TFrmSetup::ShowSetupData()
{
    // Rows 1-3 are filled silently; rows 4-6 react as to an edit, which stores the
    // same text back and recomputes their flags.
    for (int Row = 0; Row < 3; ++Row)
        FTag[Row] = 1;
    for (int Row = 0; Row < 6; ++Row)
        FEdits[Row]->setText(SetupData.*PathRows[Row].Path);
    ui->CheckBox1->setChecked(SetupData.isOpenBaseBookmark);
    ui->CheckBox2->setChecked(SetupData.isSaveHistory);
    ui->CheckBox3->setChecked(SetupData.isAmazonShort);
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

    QFileDialog OpenDialog1(this, Title, Folder);
    OpenDialog1.setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1.setFileMode(QFileDialog::ExistingFile);
    OpenDialog1.setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1.setNameFilter(Filter);
    if (!FileName.isEmpty())
        OpenDialog1.selectFile(FileName);
    if (OpenDialog1.exec() != QDialog::Accepted)
        return;
    const QStringList Files = OpenDialog1.selectedFiles();
    if (!Files.isEmpty())
        Edit->setText(QDir::toNativeSeparators(Files.first()));
}

void TFrmSetup::SetPathColor(QWidget* Edit, bool Exists)
{
    QPalette Palette = Edit->palette();
    const QColor Color = Exists ? QColor(0, 0, 0) : QColor(128, 128, 128);
    Palette.setColor(QPalette::Active, QPalette::Text, Color);
    Palette.setColor(QPalette::Inactive, QPalette::Text, Color);
    Edit->setPalette(Palette);
}

void TFrmSetup::UpdateIEExists()
{
    IEExists = ExecutableFileExists(SetupData.IEPath);
    SetPathColor(ui->Edit1, IEExists);
}

void TFrmSetup::UpdateFFExists()
{
    FFExists = ExecutableFileExists(SetupData.FFPath);
    SetPathColor(ui->Edit2, FFExists);
}

void TFrmSetup::UpdateCHExists()
{
    CHExists = ExecutableFileExists(SetupData.CHPath);
    SetPathColor(ui->Edit3, CHExists);
}

void TFrmSetup::UpdateVIExists()
{
    VIExists = ExecutableFileExists(SetupData.VIPath);
    SetPathColor(ui->Edit4, VIExists);
}

void TFrmSetup::UpdateTRExists()
{
    TRExists = ExecutableFileExists(SetupData.TRPath);
    SetPathColor(ui->Edit5, TRExists);
}

void TFrmSetup::UpdatePMExists()
{
    PMExists = ExecutableFileExists(SetupData.PMPath);
    SetPathColor(ui->Edit6, PMExists);
}

void TFrmSetup::EditChange(int Row)
{
    if (FTag[Row] != 0)
        return;
    SetupData.*PathRows[Row].Path = FEdits[Row]->text();
    switch (Row) {
    case 0: UpdateIEExists(); break;
    case 1: UpdateFFExists(); break;
    case 2: UpdateCHExists(); break;
    case 3: UpdateVIExists(); break;
    case 4: UpdateTRExists(); break;
    case 5: UpdatePMExists(); break;
    default: break;
    }
}

void TFrmSetup::ButtonClick(int Row)
{
    BrowsePath(QString::fromUtf16(PathRows[Row].BrowseTitle), FEdits[Row]);
}

void TFrmSetup::CheckBox1Click()
{
    SetupData.isOpenBaseBookmark = ui->CheckBox1->isChecked();
}

void TFrmSetup::CheckBox2Click()
{
    SetupData.isSaveHistory = ui->CheckBox2->isChecked();
}

void TFrmSetup::CheckBox3Click()
{
    SetupData.isAmazonShort = ui->CheckBox3->isChecked();
}

void TFrmSetup::BtDefaultClick()
{
    SetupDataDefault(SetupData);
    PathExists();
    ShowSetupData();
}

void TFrmSetup::BtRestoreClick()
{
    SetupData = SetupDataBackup;
    PathExists();
    ShowSetupData();
}

void TFrmSetup::BtClearHistoryClick()
{
    // The files go to the trash at once; neither Cancel nor Restore brings them back.
    // An error is shown and the dialog stays open.
    int Count = 0;
    if (!RunGuarded(this, [&Count] { Count = ClearHistoryFiles(); }) || Count <= 0)
        return;
    QMessageBox Box(QMessageBox::Information, QStringLiteral("Zorvel"),
                    QString::number(Count) + QStringLiteral(" HTML File was deleted."),
                    QMessageBox::Ok, this);
    Box.exec();
}

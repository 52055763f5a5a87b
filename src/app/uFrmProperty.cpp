#include <app/uFrmProperty.h>

#include "ui_FrmProperty.h"

#include <app/uDialogFont.h>
#include <model/uWebSitesCommon.h>
#include <platform/uHVUtils.h>

#include <QApplication>
#include <QLocale>
#include <QResizeEvent>

#include <limits>

TFrmProperty* FrmProperty = nullptr;

namespace {

// The size the form is laid out for; anchored controls follow the difference.
constexpr int DesignWidth = 493;
constexpr int DesignHeight = 255;

// The memo works with bare line feeds; the record keeps CR LF between lines.
QString CommentToMemo(const QString& Comment)
{
    QString Text = Comment;
    Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return Text;
}

QString MemoToComment(const QString& Text)
{
    QString Comment = Text;
    Comment.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return Comment;
}

} // namespace

TFrmProperty::TFrmProperty(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TFrmProperty>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont(11));
    setMinimumSize(DesignWidth, DesignHeight);
    resize(DesignWidth, DesignHeight);

    // Titles, addresses and icon data can be far longer than a line edit's default limit.
    for (QLineEdit* Edit : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4})
        Edit->setMaxLength(std::numeric_limits<int>::max());

    // The picker shows the date part only, with the year in full (the placeholder
    // dates 1965 and 1970 must not read as 2065 or 2070).
    QString Format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!Format.contains(QStringLiteral("yyyy")))
        Format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    ui->DateTimePicker1->setDisplayFormat(Format);
    ui->DateTimePicker1->setMinimumDate(QDate(100, 1, 1));
    ui->DateTimePicker1->setMaximumDate(QDate(9999, 12, 31));

    connect(ui->Edit1, &QLineEdit::textChanged, this, &TFrmProperty::Edit1Change);
    connect(ui->Edit2, &QLineEdit::textChanged, this, &TFrmProperty::Edit2Change);
    connect(ui->Edit3, &QLineEdit::textChanged, this, &TFrmProperty::Edit3Change);
    connect(ui->Edit4, &QLineEdit::textChanged, this, &TFrmProperty::Edit4Change);
    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this,
            &TFrmProperty::DateTimePicker1Change);
    connect(ui->Memo1, &QPlainTextEdit::textChanged, this, &TFrmProperty::Memo1Change);
    connect(ui->Button1, &QPushButton::clicked, this, &TFrmProperty::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->Button3, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

TFrmProperty::~TFrmProperty() = default;

void TFrmProperty::FormCreate()
{
    if (IsJapaneseLocale())
        ApplyJapaneseCaptions();
}

void TFrmProperty::ApplyJapaneseCaptions()
{
    setWindowTitle(QStringLiteral(u"プロパティ"));
    ui->CbEdit1->setText(QStringLiteral(u"タイトル:"));
    ui->CbEdit2->setText(QStringLiteral(u"URL:"));
    ui->CbEdit3->setText(QStringLiteral(u"カテゴリ:"));
    ui->CbEdit4->setText(QStringLiteral(u"アイコン:"));
    ui->CbDateTime1->setText(QStringLiteral(u"日付:"));
    ui->CbMemo1->setText(QStringLiteral(u"コメント:"));
    ui->Button1->setText(QStringLiteral(u"元に戻す"));
    ui->Button2->setText(QStringLiteral(u"更新"));
    ui->Button3->setText(QStringLiteral(u"キャンセル"));
}

bool TFrmProperty::Execute(TWebSiteList& AWebSites)
{
    DWebSite = WebSitesGetCommon(AWebSites);
    ShowWebSite();
    ui->Edit1->setFocus();
    if (!parentWidget()) {
        if (QWidget* Owner = QApplication::activeWindow(); Owner && Owner != this)
            move(Owner->frameGeometry().center() - rect().center());
    }
    if (exec() != QDialog::Accepted)
        return false;

    TWebSiteFieldFlags Flags;
    Flags.Title = ui->CbEdit1->isChecked();
    Flags.URL = ui->CbEdit2->isChecked();
    Flags.Comment = ui->CbMemo1->isChecked();
    Flags.IconURL = ui->CbEdit4->isChecked();
    Flags.Category = ui->CbEdit3->isChecked();
    Flags.AddDate = ui->CbDateTime1->isChecked();

    DWebSite.Title = ui->Edit1->text();
    DWebSite.URL = ui->Edit2->text();
    DWebSite.Category = ui->Edit3->text();
    DWebSite.IconURL = ui->Edit4->text();
    DWebSite.AddDate = PickerDateTime();
    DWebSite.Comment = MemoToComment(ui->Memo1->toPlainText());

    WebSitesSetCommon(AWebSites, DWebSite, Flags);
    return true;
}

void TFrmProperty::ShowWebSite()
{
    ui->Edit1->setText(DWebSite.Title);
    ui->Edit2->setText(DWebSite.URL);
    ui->Edit3->setText(DWebSite.Category);
    ui->Edit4->setText(DWebSite.IconURL);
    ui->DateTimePicker1->setDate(DWebSite.AddDate.Date());
    ui->Memo1->setPlainText(CommentToMemo(DWebSite.Comment));

    // Filling the controls ticked boxes through the change handlers; start clean.
    for (QCheckBox* Box : {ui->CbEdit1, ui->CbEdit2, ui->CbEdit3, ui->CbEdit4, ui->CbDateTime1,
                           ui->CbMemo1})
        Box->setChecked(false);

    // Title and URL are edited only for a single entry.
    const bool One = DWebSite.Selected;
    ui->Edit1->setEnabled(One);
    ui->Edit2->setEnabled(One);
    ui->CbEdit1->setEnabled(One);
    ui->CbEdit2->setEnabled(One);
}

TDateTime TFrmProperty::PickerDateTime() const
{
    // The picker cannot show or change the time of day: an unchanged date gives the
    // shown value exactly, a new date keeps the shown time.
    const QDate Picked = ui->DateTimePicker1->date();
    if (Picked == DWebSite.AddDate.Date())
        return DWebSite.AddDate;
    return TDateTime::FromDateTime(Picked, DWebSite.AddDate.Time());
}

void TFrmProperty::Button1Click()
{
    ShowWebSite();
}

void TFrmProperty::Edit1Change()
{
    ui->CbEdit1->setChecked(ui->Edit1->text() != DWebSite.Title);
}

void TFrmProperty::Edit2Change()
{
    ui->CbEdit2->setChecked(ui->Edit2->text() != DWebSite.URL);
}

void TFrmProperty::Edit3Change()
{
    ui->CbEdit3->setChecked(ui->Edit3->text() != DWebSite.Category);
}

void TFrmProperty::Edit4Change()
{
    ui->CbEdit4->setChecked(ui->Edit4->text() != DWebSite.IconURL);
}

void TFrmProperty::DateTimePicker1Change()
{
    ui->CbDateTime1->setChecked(PickerDateTime() != DWebSite.AddDate);
}

void TFrmProperty::Memo1Change()
{
    ui->CbMemo1->setChecked(MemoToComment(ui->Memo1->toPlainText()) != DWebSite.Comment);
}

void TFrmProperty::resizeEvent(QResizeEvent* Event)
{
    QDialog::resizeEvent(Event);
    const int dw = width() - DesignWidth;
    const int dh = height() - DesignHeight;
    // Stretch right.
    ui->Edit1->setGeometry(80, 8, 404 + dw, 21);
    ui->Edit2->setGeometry(80, 38, 404 + dw, 21);
    ui->Edit3->setGeometry(81, 68, 404 + dw, 21);
    ui->Edit4->setGeometry(80, 98, 404 + dw, 21);
    ui->DateTimePicker1->setGeometry(81, 128, 404 + dw, 21);
    // Stretch right and down.
    ui->Memo1->setGeometry(81, 158, 404 + dw, 60 + dh);
    // Bottom-left and bottom-right.
    ui->Button1->move(80, 224 + dh);
    ui->Button2->move(329 + dw, 224 + dh);
    ui->Button3->move(409 + dw, 224 + dh);
}

#include <app/uFrmProperty.h>

#include "ui_FrmProperty.h"

#include <app/uTranslations.h>
#include <app/uWebAddress.h>
#include <app/uWindowHelpers.h>
#include <model/uWebSiteTags.h>
#include <model/uWebSitesCommon.h>

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>

#include <limits>

namespace {

// The size the form is laid out for; anchored controls follow the difference.
constexpr int DesignWidth = 493;
constexpr int DesignHeight = 315;

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
    : QDialog(parent), ui(std::make_unique<Ui::TFrmProperty>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowFont(11));
    setFixedSize(DesignWidth, DesignHeight);

    // Titles, addresses and icon data can be far longer than a line edit's default limit.
    for (QLineEdit* Edit :
         {ui->titleEdit, ui->urlEdit, ui->categoryEdit, ui->iconUrlEdit, ui->tagsEdit})
        Edit->setMaxLength(std::numeric_limits<int>::max());

    // The picker shows the date part only, with the year in full (the placeholder
    // dates 1965 and 1970 must not read as 2065 or 2070).
    QString Format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!Format.contains(QStringLiteral("yyyy")))
        Format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    ui->dateEdit->setDisplayFormat(Format);
    ui->dateEdit->setMinimumDate(QDate(100, 1, 1));
    ui->dateEdit->setMaximumDate(QDate(9999, 12, 31));

    connect(ui->titleEdit, &QLineEdit::textChanged, this, &TFrmProperty::onTitleEdited);
    connect(ui->urlEdit, &QLineEdit::textChanged, this, &TFrmProperty::onUrlEdited);
    connect(ui->categoryEdit, &QLineEdit::textChanged, this, &TFrmProperty::onCategoryEdited);
    connect(ui->iconUrlEdit, &QLineEdit::textChanged, this, &TFrmProperty::onIconUrlEdited);
    connect(ui->dateEdit, &QDateEdit::dateChanged, this, &TFrmProperty::onDateEdited);
    connect(ui->commentEdit, &QPlainTextEdit::textChanged, this, &TFrmProperty::onCommentEdited);
    connect(ui->tagsEdit, &QLineEdit::textChanged, this, &TFrmProperty::onTagsEdited);
    connect(ui->keywordEdit, &QLineEdit::textChanged, this, &TFrmProperty::onKeywordEdited);
    connect(ui->restoreButton, &QPushButton::clicked, this, &TFrmProperty::onRestore);
    connect(ui->okButton, &QPushButton::clicked, this, &TFrmProperty::onOk);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    KeepNonWebAddressFn = [this](const QString& URL) {
        QMessageBox Box(QMessageBox::Warning, windowTitle(),
                        tr("\"%1\" is not a web address (http, https or ftp); it cannot be opened "
                           "in a browser.")
                            .arg(URL),
                        QMessageBox::NoButton, this);
        QPushButton* Keep = Box.addButton(tr("Keep It"), QMessageBox::AcceptRole);
        QPushButton* Back = Box.addButton(tr("Edit It"), QMessageBox::RejectRole);
        Box.setDefaultButton(Back);
        Box.exec();
        return Box.clickedButton() == Keep;
    };
    ApplyTexts();
    FCaptionExtra =
        WidenCaptionColumn({ui->titleCheck, ui->urlCheck, ui->categoryCheck, ui->iconUrlCheck,
                            ui->dateCheck, ui->commentCheck, ui->tagsCheck, ui->keywordCheck});
    setFixedSize(DesignWidth + FCaptionExtra, DesignHeight);
    LayOut(); // a hidden dialog gets its resize event only when shown
}

TFrmProperty::~TFrmProperty() = default;

void TFrmProperty::onOk()
{
    // A warning, not a rule: the list may hold any text as its address.
    if (ui->urlCheck->isChecked() && ui->urlEdit->isEnabled() && !IsWebAddress(ui->urlEdit->text())
        && KeepNonWebAddressFn && !KeepNonWebAddressFn(ui->urlEdit->text())) {
        ui->urlEdit->setFocus();
        return;
    }
    accept();
}

void TFrmProperty::ApplyTexts()
{
    ApplyLanguage();
    setWindowTitle(tr("Property"));
    ui->titleCheck->setText(tr("Title:"));
    ui->urlCheck->setText(tr("URL:"));
    ui->categoryCheck->setText(tr("Category:"));
    ui->iconUrlCheck->setText(tr("IconURL:"));
    ui->dateCheck->setText(tr("Date:"));
    ui->commentCheck->setText(tr("Comment:"));
    ui->tagsCheck->setText(tr("Tags:"));
    ui->keywordCheck->setText(tr("Keyword:"));
    ui->restoreButton->setText(tr("Restore"));
    ui->okButton->setText(tr("OK"));
    ui->cancelButton->setText(tr("Cancel"));
    // Each box is named after its tick box's caption, without the colon.
    const std::pair<QWidget*, QString> Named[] = {
        {ui->titleEdit, tr("Title:")},       {ui->urlEdit, tr("URL:")},
        {ui->categoryEdit, tr("Category:")}, {ui->iconUrlEdit, tr("IconURL:")},
        {ui->dateEdit, tr("Date:")},         {ui->commentEdit, tr("Comment:")},
        {ui->tagsEdit, tr("Tags:")},         {ui->keywordEdit, tr("Keyword:")}};
    for (const auto& [Box, Caption] : Named) {
        QString Name = Caption;
        if (Name.endsWith(u':'))
            Name.chop(1);
        Box->setAccessibleName(Name);
    }
}

bool TFrmProperty::Execute(TWebSiteList& AWebSites)
{
    FVariousValues = tr("(Various Values)");
    FEditedSite = WebSitesGetCommon(AWebSites, FVariousValues);
    FTagShares = WebSitesTagShares(AWebSites);
    ShowWebSite();
    ui->titleEdit->setFocus();
    CentreOnActiveWindow(this);
    if (exec() != QDialog::Accepted)
        return false;

    TWebSiteFieldFlags Flags;
    Flags.Title = ui->titleCheck->isChecked();
    Flags.URL = ui->urlCheck->isChecked();
    Flags.Comment = ui->commentCheck->isChecked();
    Flags.IconURL = ui->iconUrlCheck->isChecked();
    Flags.Category = ui->categoryCheck->isChecked();
    Flags.AddDate = ui->dateCheck->isChecked();

    FEditedSite.Title = ui->titleEdit->text();
    FEditedSite.URL = ui->urlEdit->text();
    FEditedSite.Category = ui->categoryEdit->text();
    FEditedSite.IconURL = ui->iconUrlEdit->text();
    FEditedSite.AddDate = PickerDateTime();
    FEditedSite.Comment = MemoToComment(ui->commentEdit->toPlainText());

    const TDateTime Now = TDateTime::Now();
    WebSitesSetCommon(AWebSites, FEditedSite, Flags, FVariousValues, Now);
    const bool One = FEditedSite.Selected;
    for (qsizetype i = 0; i < AWebSites.Count(); ++i) {
        const TWebSite& E = AWebSites.at(i);
        if (!One || !E.Selected || !E.Visible)
            continue;
        // One entry: its tags as written, in the order written.
        TWebSite& Edited = AWebSites.EditKeepURL(i);
        const QStringList TagsBefore = WebSiteTags(Edited);
        const TSiteText KeywordBefore = WebSiteKeyword(Edited);
        if (ui->tagsCheck->isChecked())
            WebSiteTagsSet(Edited, SplitTags(ui->tagsEdit->text()));
        if (ui->keywordCheck->isChecked())
            WebSiteKeywordSet(Edited, ui->keywordEdit->text());
        if (WebSiteTags(Edited) != TagsBefore || WebSiteKeyword(Edited) != KeywordBefore)
            WebSiteModifiedSet(Edited, Now);
    }
    if (!One && ui->tagsCheck->isChecked()) {
        // Several: what was added to or removed from their tags, and nothing else
        // of each entry's own.
        QStringList Add, Remove;
        TagShareEditOf(FTagShares, ShownTagShares(), Add, Remove);
        WebSitesEditTags(AWebSites, Add, Remove, Now);
    }
    return true;
}

void TFrmProperty::ShowWebSite()
{
    ui->titleEdit->setText(FEditedSite.Title);
    ui->urlEdit->setText(FEditedSite.URL);
    ui->categoryEdit->setText(FEditedSite.Category);
    ui->iconUrlEdit->setText(FEditedSite.IconURL);
    // Differing dates read like the other differing fields: the picker's lowest date
    // stands for them and shows the same text.
    ui->dateEdit->setSpecialValueText(VariousDates() ? FVariousValues : QString());
    ui->dateEdit->setDate(VariousDates() ? ui->dateEdit->minimumDate()
                                         : FEditedSite.AddDate.Date());
    ui->commentEdit->setPlainText(CommentToMemo(FEditedSite.Comment));
    const bool One = FEditedSite.Selected;
    ui->tagsEdit->setText(TagSharesText(FTagShares));
    ui->tagsEdit->setPlaceholderText(One ? QString() : tr("Tags (comma-separated)"));
    // Said once where the marked tags are shown, and read by a screen reader with the box.
    ui->tagsEdit->setToolTip(
        One ? QString()
            : tr("Tags marked %1 are carried by only some of the entries: delete one to "
                 "remove it from all, delete its mark to give it to all, leave it to keep it "
                 "as it is.")
                  .arg(SomeMark()));
    ui->tagsEdit->setAccessibleDescription(ui->tagsEdit->toolTip());
    ui->keywordEdit->setText(One ? WebSiteKeyword(FEditedSite).toString() : QString());
    const TDateTime Modified = WebSiteModified(FEditedSite);
    ui->modifiedLabel->setText(
        One && Modified != TDateTime()
            ? tr("Last changed: %1")
                  .arg(QLocale().toString(Modified.ToQDateTime(), QLocale::ShortFormat))
            : QString());

    // Filling the controls ticked boxes through the change handlers; start clean.
    for (QCheckBox* Box : {ui->titleCheck, ui->urlCheck, ui->categoryCheck, ui->iconUrlCheck,
                           ui->dateCheck, ui->commentCheck, ui->tagsCheck, ui->keywordCheck})
        Box->setChecked(false);

    // Title, URL and keyword (Firefox gives a keyword to one address) are edited
    // only for a single entry.
    for (QWidget* W :
         {static_cast<QWidget*>(ui->titleEdit), static_cast<QWidget*>(ui->urlEdit),
          static_cast<QWidget*>(ui->keywordEdit), static_cast<QWidget*>(ui->titleCheck),
          static_cast<QWidget*>(ui->urlCheck), static_cast<QWidget*>(ui->keywordCheck)})
        W->setEnabled(One);
}

bool TFrmProperty::VariousDates() const
{
    return !FEditedSite.Selected && FEditedSite.AddDate == UnixEpochDate;
}

TDateTime TFrmProperty::PickerDateTime() const
{
    if (VariousDates() && ui->dateEdit->date() == ui->dateEdit->minimumDate())
        return FEditedSite.AddDate;
    // The picker cannot show or change the time of day: an unchanged date gives the
    // shown value exactly, a new date keeps the shown time.
    const QDate Picked = ui->dateEdit->date();
    if (Picked == FEditedSite.AddDate.Date())
        return FEditedSite.AddDate;
    return TDateTime::FromDateTime(Picked, FEditedSite.AddDate.Time());
}

void TFrmProperty::onRestore()
{
    ShowWebSite();
}

void TFrmProperty::onTitleEdited()
{
    ui->titleCheck->setChecked(ui->titleEdit->text() != FEditedSite.Title);
}

void TFrmProperty::onUrlEdited()
{
    ui->urlCheck->setChecked(ui->urlEdit->text() != FEditedSite.URL);
}

void TFrmProperty::onCategoryEdited()
{
    ui->categoryCheck->setChecked(ui->categoryEdit->text() != FEditedSite.Category);
}

void TFrmProperty::onIconUrlEdited()
{
    ui->iconUrlCheck->setChecked(ui->iconUrlEdit->text() != FEditedSite.IconURL);
}

void TFrmProperty::onDateEdited()
{
    // A step up from the differing dates goes to today, not to the year 100.
    const QDate Shown = ui->dateEdit->date();
    if (VariousDates() && Shown != ui->dateEdit->minimumDate()
        && Shown.year() == ui->dateEdit->minimumDate().year()) {
        ui->dateEdit->setDate(QDate::currentDate());
        return; // the change runs this handler again
    }
    ui->dateCheck->setChecked(PickerDateTime() != FEditedSite.AddDate);
}

void TFrmProperty::onCommentEdited()
{
    ui->commentCheck->setChecked(MemoToComment(ui->commentEdit->toPlainText())
                                 != FEditedSite.Comment);
}

void TFrmProperty::onTagsEdited()
{
    ui->tagsCheck->setChecked(ShownTagShares() != FTagShares);
}

QString TFrmProperty::SomeMark()
{
    return tr("(some)");
}

QString TFrmProperty::TagSharesText(const QList<TTagShare>& Shares)
{
    QStringList Parts;
    for (const TTagShare& S : Shares)
        Parts << (S.All ? S.Tag : S.Tag + u' ' + SomeMark());
    return Parts.join(QStringLiteral(", "));
}

QList<TTagShare> TFrmProperty::ShownTagShares() const
{
    const QString Mark = SomeMark();
    QList<TTagShare> Shares;
    for (const QString& Written : SplitTags(ui->tagsEdit->text())) {
        TTagShare S{Written, true};
        if (!FEditedSite.Selected && Written.endsWith(Mark, Qt::CaseInsensitive)) {
            S.Tag = Written.chopped(Mark.size()).trimmed();
            S.All = false;
        }
        if (S.Tag.isEmpty())
            continue;
        // The same tag twice: the first spelling stays, "for all" wins.
        bool Seen = false;
        for (TTagShare& Earlier : Shares)
            if (Earlier.Tag.compare(S.Tag, Qt::CaseInsensitive) == 0) {
                Earlier.All = Earlier.All || S.All;
                Seen = true;
            }
        if (!Seen)
            Shares.append(S);
    }
    return Shares;
}

void TFrmProperty::onKeywordEdited()
{
    ui->keywordCheck->setChecked(ui->keywordEdit->text().trimmed()
                                 != WebSiteKeyword(FEditedSite).toString());
}

void TFrmProperty::resizeEvent(QResizeEvent* Event)
{
    QDialog::resizeEvent(Event);
    LayOut();
}

void TFrmProperty::LayOut()
{
    // Everything right of the caption column starts as far right as the captions need.
    const int x = FCaptionExtra;
    const int dw = width() - DesignWidth - x;
    const int dh = height() - DesignHeight;
    // Stretch right.
    ui->titleEdit->setGeometry(80 + x, 8, 404 + dw, 21);
    ui->urlEdit->setGeometry(80 + x, 38, 404 + dw, 21);
    ui->categoryEdit->setGeometry(81 + x, 68, 404 + dw, 21);
    ui->iconUrlEdit->setGeometry(80 + x, 98, 404 + dw, 21);
    ui->dateEdit->setGeometry(81 + x, 128, 404 + dw, 21);
    ui->tagsEdit->setGeometry(81 + x, 158, 404 + dw, 21);
    ui->keywordEdit->setGeometry(81 + x, 188, 150, 21);
    ui->modifiedLabel->setGeometry(240 + x, 191, 244 + dw, 16);
    // Stretch right and down.
    ui->commentEdit->setGeometry(81 + x, 218, 404 + dw, 60 + dh);
    // Bottom-left and bottom-right.
    ui->restoreButton->move(80 + x, 284 + dh);
    ui->okButton->move(329 + x + dw, 284 + dh);
    ui->cancelButton->move(409 + x + dw, 284 + dh);
}

#include <app/uFrmReports.h>

#include <app/uReportLog.h>
#include <app/uTranslations.h>
#include <app/uWindowHelpers.h>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

TFrmReports::TFrmReports(const TReportLog& Log, QWidget* Parent) : QDialog(Parent), FLog(Log)
{
    ApplyLanguage();
    setWindowTitle(tr("Reports of This Session"));
    setFont(WindowFont(12));
    resize(720, 420);

    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("reportList"));
    FList->setAccessibleName(tr("Reports"));
    FText = new QPlainTextEdit(this);
    FText->setObjectName(QStringLiteral("reportText"));
    FText->setReadOnly(true);
    // Read-only, but the text can still be selected and read line by line, also by a
    // screen reader.
    FText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    FText->setLineWrapMode(QPlainTextEdit::NoWrap);
    FText->setAccessibleName(tr("Report"));

    auto* ListLabel = new QLabel(tr("&Reports:"), this);
    ListLabel->setBuddy(FList);
    auto* TextLabel = new QLabel(tr("&Details:"), this);
    TextLabel->setBuddy(FText);

    auto* Left = new QWidget(this);
    auto* LeftLayout = new QVBoxLayout(Left);
    LeftLayout->setContentsMargins(0, 0, 0, 0);
    LeftLayout->addWidget(ListLabel);
    LeftLayout->addWidget(FList);
    auto* Right = new QWidget(this);
    auto* RightLayout = new QVBoxLayout(Right);
    RightLayout->setContentsMargins(0, 0, 0, 0);
    RightLayout->addWidget(TextLabel);
    RightLayout->addWidget(FText);
    auto* Split = new QSplitter(this);
    Split->addWidget(Left);
    Split->addWidget(Right);
    Split->setSizes({240, 480});

    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    Buttons->button(QDialogButtonBox::Close)->setText(tr("Close"));
    FCopyButton = Buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    FCopyButton->setObjectName(QStringLiteral("copyButton"));
    connect(FCopyButton, &QPushButton::clicked, this, &TFrmReports::CopyShown);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Split, 1);
    Layout->addWidget(Buttons);

    connect(FList, &QListWidget::currentRowChanged, this, &TFrmReports::ShowReport);
    connect(&FLog, &TReportLog::Appended, this, [this] {
        Fill();
        ShowNewest();
    });
    Fill();
    ShowNewest();
}

void TFrmReports::Fill()
{
    const QSignalBlocker Quiet(FList);
    FList->clear();
    const QList<TReport>& Reports = FLog.Reports();
    for (qsizetype i = Reports.size() - 1; i >= 0; --i) {
        const TReport& R = Reports.at(i);
        auto* Item = new QListWidgetItem(QLocale().toString(R.When.time(), QLocale::ShortFormat)
                                         + QStringLiteral("  ") + R.Title + u'\n' + R.Summary);
        Item->setData(Qt::UserRole, int(i));
        FList->addItem(Item);
    }
    FCopyButton->setEnabled(!Reports.isEmpty());
    if (Reports.isEmpty())
        FText->setPlainText(tr("Nothing was reported in this session yet."));
}

void TFrmReports::ShowNewest()
{
    if (FList->count() > 0)
        FList->setCurrentRow(0);
    ShowReport(FList->currentRow());
}

void TFrmReports::ShowReport(int Row)
{
    if (Row < 0 || Row >= FList->count())
        return;
    const int Index = FList->item(Row)->data(Qt::UserRole).toInt();
    if (Index >= 0 && Index < FLog.Reports().size())
        FText->setPlainText(FLog.Reports().at(Index).Text());
}

QString TFrmReports::ShownText() const
{
    return FLog.IsEmpty() ? QString() : FText->toPlainText();
}

void TFrmReports::CopyShown()
{
    if (!FLog.IsEmpty())
        QGuiApplication::clipboard()->setText(ShownText());
}

#include <app/uListStatusBar.h>

#include <app/uTranslations.h>
#include <app/uWindowHelpers.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolButton>

TListStatusBar::TListStatusBar(QWidget* Parent) : QWidget(Parent)
{
    setObjectName(QStringLiteral("listStatusBar"));
    FCountsLabel = new QLabel(this);
    FCountsLabel->setObjectName(QStringLiteral("countsLabel"));
    // Reachable with Tab, so that a screen reader reads the counts on demand.
    FCountsLabel->setFocusPolicy(Qt::TabFocus);
    FCountsLabel->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    FReportLabel = new QLabel(this);
    FReportLabel->setObjectName(QStringLiteral("lastReportLabel"));
    FReportLabel->setTextFormat(Qt::PlainText);
    FReportLabel->setMinimumWidth(0);
    FReportLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FReportsButton = new QToolButton(this);
    FReportsButton->setObjectName(QStringLiteral("reportsButton"));
    FReportsButton->setAutoRaise(true);
    connect(FReportsButton, &QToolButton::clicked, this, &TListStatusBar::reportsRequested);

    auto* Layout = new QHBoxLayout(this);
    Layout->setContentsMargins(6, 1, 2, 1);
    Layout->setSpacing(12);
    Layout->addWidget(FCountsLabel);
    Layout->addWidget(FReportLabel, 1);
    Layout->addWidget(FReportsButton);
    setFont(WindowFont(12));
    ApplyTexts();
}

void TListStatusBar::ApplyTexts()
{
    ApplyLanguage();
    FCountsLabel->setAccessibleName(tr("List counts"));
    FReportLabel->setAccessibleName(tr("Last report"));
    FReportsButton->setText(tr("Reports..."));
    FReportsButton->setAccessibleName(tr("Reports of this session"));
    FReportsButton->setToolTip(FReportsKey.isEmpty()
                                   ? tr("Reports of this session")
                                   : tr("Reports of this session (%1)").arg(FReportsKey));
    FCountsLabel->setText(CountsText());
}

void TListStatusBar::SetReportsKey(const QString& Key)
{
    FReportsKey = Key;
    ApplyTexts();
}

QString TListStatusBar::CountsText() const
{
    const QLocale Locale;
    QStringList Parts;
    Parts << tr("Entries: %1").arg(Locale.toString(FCounts.Entries));
    Parts << tr("Shown: %1").arg(Locale.toString(FCounts.Shown));
    Parts << tr("Selected: %1").arg(Locale.toString(FCounts.Selected));
    if (FCounts.LinkProblems >= 0)
        Parts << tr("Link problems: %1").arg(Locale.toString(FCounts.LinkProblems));
    return Parts.join(QStringLiteral("   "));
}

void TListStatusBar::SetCounts(const TListCounts& Counts)
{
    if (Counts == FCounts)
        return;
    FCounts = Counts;
    FCountsLabel->setText(CountsText());
}

void TListStatusBar::SetLastReport(const QString& Summary)
{
    FReportLabel->setText(Summary);
    FReportLabel->setToolTip(Summary);
}

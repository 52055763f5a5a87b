#include <app/uFrmAbout.h>

#include "ui_FrmAbout.h"

#include <app/uTranslations.h>
#include <app/uWindowHelpers.h>
#include <platform/uOsServices.h>
#include <platform/uShellOpen.h>

#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>

namespace {

const QColor LinkColor(0, 0, 255);

void SetLabelStyle(QLabel* Label, const QFont& Font, const QColor& Color)
{
    Label->setFont(Font);
    QPalette Palette = Label->palette();
    Palette.setColor(QPalette::WindowText, Color);
    Label->setPalette(Palette);
}

// Labels size themselves to their text, keeping their left edge, or their right edge
// when right-justified.
void AutoSize(QLabel* Label)
{
    const QRect Old = Label->geometry();
    Label->adjustSize();
    const QSize Size = Label->size();
    if (Label->alignment() & Qt::AlignRight)
        Label->setGeometry(Old.right() + 1 - Size.width(), Old.top(), Size.width(), Size.height());
    else
        Label->setGeometry(Old.left(), Old.top(), Size.width(), Size.height());
}

} // namespace

TFrmAbout::TFrmAbout(QWidget* parent)
    : QDialog(parent), OpenURL(ShellOpen), ui(std::make_unique<Ui::TFrmAbout>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowFont(11));
    setFixedSize(512, 235);

    QPalette Palette = palette();
    Palette.setColor(QPalette::Window, Qt::white);
    setPalette(Palette);
    setAutoFillBackground(true);

    InitResources();
    // Drawn at 170 x 170 points on every screen.
    ui->logoImage->setPixmap(LoadPixmapForScreen(this, QStringLiteral(":/rcdata/ABOUTLOGO")));

    QFont AppFont = WindowFont(40);
    AppFont.setBold(true);
    AppFont.setItalic(true);
    SetLabelStyle(ui->appNameLabel, AppFont, Qt::black);
    const QStringList SegoeUI = {QStringLiteral("Segoe UI")};
    SetLabelStyle(ui->versionLabel, WindowFont(12, SegoeUI), Qt::black);
    SetLabelStyle(ui->makerLabel, WindowFont(12, SegoeUI), Qt::black);
    SetLabelStyle(ui->productLinkLabel, WindowFont(13, SegoeUI), LinkColor);
    ui->productLinkLabel->installEventFilter(this);

    ApplyTexts();
}

TFrmAbout::~TFrmAbout() = default;

void TFrmAbout::ApplyTexts()
{
    ApplyLanguage();
    setWindowTitle(tr("About"));
    ui->productLinkLabel->setText(tr("https://zorvel.example.org/"));
    ui->productLinkLabel->setAccessibleName(tr("Product page"));
    ui->versionLabel->setText(QStringLiteral("Ver.") + GetAppVersion());
    for (QLabel* Label : {ui->appNameLabel, ui->versionLabel, ui->makerLabel, ui->productLinkLabel})
        AutoSize(Label);
}

void TFrmAbout::Execute()
{
    CentreOnActiveWindow(this);
    exec();
}

bool TFrmAbout::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == ui->productLinkLabel && Event->type() == QEvent::MouseButtonRelease) {
        const auto* Mouse = static_cast<QMouseEvent*>(Event);
        if (Mouse->button() == Qt::LeftButton
            && ui->productLinkLabel->rect().contains(Mouse->position().toPoint())) {
            onProductLinkClicked();
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TFrmAbout::onProductLinkClicked()
{
    if (OpenURL)
        OpenURL(ui->productLinkLabel->text());
}

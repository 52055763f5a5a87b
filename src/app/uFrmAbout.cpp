#include <app/uFrmAbout.h>

#include "ui_FrmAbout.h"

#include <app/uDialogFont.h>
#include <app/uProductPage.h>
#include <platform/uHVUtils.h>
#include <platform/uHVUtilsGui.h>

#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>

#include <mutex>

TFrmAbout* FrmAbout = nullptr;

// The pictures are compiled into an object library that may sit inside a static
// library; referencing its init function keeps it linked and registers it.
static void InitZorvelResourcesOnce()
{
    static std::once_flag Once;
    std::call_once(Once, [] { Q_INIT_RESOURCE(zorvel); });
}

namespace {

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
    : QDialog(parent)
    , OpenURL(ShellOpen)
    , ui(std::make_unique<Ui::TFrmAbout>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont(11));
    setFixedSize(512, 235);

    QPalette Palette = palette();
    Palette.setColor(QPalette::Window, Qt::white);
    setPalette(Palette);
    setAutoFillBackground(true);

    InitZorvelResourcesOnce();
    // The double-size logo on high-DPI screens, drawn at the same 170 x 170 points.
    QPixmap Logo;
    if (devicePixelRatioF() > 1.0 && Logo.load(QStringLiteral(":/rcdata/ABOUTLOGO@2x")))
        Logo.setDevicePixelRatio(2.0);
    else
        Logo.load(QStringLiteral(":/rcdata/ABOUTLOGO"));
    ui->Image1->setPixmap(Logo);

    QFont AppFont = DialogFont(40);
    AppFont.setBold(true);
    AppFont.setItalic(true);
    SetLabelStyle(ui->LbApp, AppFont, Qt::black);
    const QStringList SegoeUI = {QStringLiteral("Segoe UI")};
    SetLabelStyle(ui->LbVersion, DialogFont(12, SegoeUI), Qt::black);
    SetLabelStyle(ui->LbHalvernProject, DialogFont(12, SegoeUI), Qt::black);
    SetLabelStyle(ui->LbURL, DialogFont(13, SegoeUI), QColor(0, 0, 255));
    ui->LbURL->setText(ProductPageURL());
    ui->LbURL->installEventFilter(this);

    FormCreate();
}

TFrmAbout::~TFrmAbout() = default;

void TFrmAbout::FormCreate()
{
    ui->LbVersion->setText(QStringLiteral("Ver.") + GetAppVersion());
    if (IsJapaneseLocale())
        ApplyJapaneseCaptions();
    for (QLabel* Label : {ui->LbApp, ui->LbVersion, ui->LbHalvernProject, ui->LbURL})
        AutoSize(Label);
}

void TFrmAbout::ApplyJapaneseCaptions()
{
    setWindowTitle(QStringLiteral(u"このアプリケーションについて"));
    ui->LbURL->setText(ProductPageURLJa());
}

void TFrmAbout::Execute()
{
    if (!parentWidget()) {
        if (QWidget* Owner = QApplication::activeWindow(); Owner && Owner != this)
            move(Owner->frameGeometry().center() - rect().center());
    }
    exec();
}

bool TFrmAbout::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == ui->LbURL && Event->type() == QEvent::MouseButtonRelease) {
        const auto* Mouse = static_cast<QMouseEvent*>(Event);
        if (Mouse->button() == Qt::LeftButton && ui->LbURL->rect().contains(Mouse->position().toPoint())) {
            LbURLClick();
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TFrmAbout::LbURLClick()
{
    if (OpenURL)
        OpenURL(ui->LbURL->text());
}

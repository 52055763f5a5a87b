#include "uAppErrors.h"

#include <platform/EFileError.h>

#include <QApplication>
#include <QMessageBox>

#include <exception>

namespace {

void DefaultErrorDisplay(QWidget* Parent, const QString& Text)
{
    QMessageBox::warning(Parent, QApplication::applicationDisplayName(), Text);
}

} // namespace

TAppErrorDisplay& AppErrorDisplay()
{
    static TAppErrorDisplay Display = DefaultErrorDisplay;
    return Display;
}

void ShowAppError(QWidget* Parent, const QString& Text)
{
    if (AppErrorDisplay())
        AppErrorDisplay()(Parent, Text);
}

bool RunGuarded(QWidget* Parent, const std::function<void()>& Step)
{
    try {
        Step();
        return true;
    } catch (const EFileError& e) {
        ShowAppError(Parent, e.Text());
    } catch (const std::bad_alloc&) {
        ShowAppError(Parent, QStringLiteral("Out of memory."));
    } catch (const std::exception& e) {
        ShowAppError(Parent, QString::fromUtf8(e.what()));
    }
    return false;
}

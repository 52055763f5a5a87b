#pragma once
// The About dialog: logo, program name, version, maker and a link to the product page.

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QObject;
class QEvent;

namespace Ui {
class TFrmAbout;
}

class TFrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmAbout(QWidget* parent = nullptr);
    ~TFrmAbout() override;

    // Shows the dialog modally; returns when it is closed.
    void Execute();

    // How the link label opens its address (the shell by default; tests replace it).
    std::function<void(const QString&)> OpenURL;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // The captions in the language of the locale, the version, and the labels' sizes.
    void ApplyTexts();
    void onProductLinkClicked();

    std::unique_ptr<Ui::TFrmAbout> ui;
};

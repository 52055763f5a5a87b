#pragma once
// The search box: an editable drop-down of earlier searches. Delete on a chosen
// earlier search removes it from the history and keeps the typed text; the box
// handles that key itself, whether it reaches the box or its text field.

#include <QComboBox>

class TSearchBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TSearchBox(QWidget* Parent = nullptr);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void childEvent(QChildEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;

private:
    // Acts on the release, after the text field has handled the press.
    bool RemoveChosenHistoryItem(QKeyEvent* Event);
};

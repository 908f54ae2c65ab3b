#pragma once

#include <QAbstractButton>

// A graphical two-state button used as a push button: a click sets its value
// to 1 and raises Click; the handler acts on 1 and first sets the value back
// to 0, which raises Click once more, finding 0. The picture sits above the
// caption, and the button stays pressed in while its value is 1.
class TwoStateButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TwoStateButton(QWidget* parent = nullptr);

    int Value() const { return isChecked() ? 1 : 0; }
    void setValue(int value) { setChecked(value != 0); }

    QSize sizeHint() const override;

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
};

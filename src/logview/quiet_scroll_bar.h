#pragma once

#include <QRect>
#include <QScrollBar>

#include <optional>

namespace logview {

// A scroll bar that repaints only when what it shows changes. A view that
// follows a growing log changes the range with every batch, while the handle
// of a long log moves by a pixel only now and then; painting the bar for each
// batch would cost more than painting the new lines.
class QuietScrollBar : public QScrollBar {
public:
    explicit QuietScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What a paint shows of the range and value: the handle and the ends.
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    std::optional<Look> painted_;
    bool checkPending_ = false;
};

}  // namespace logview

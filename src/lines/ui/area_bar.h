#pragma once

#include <QList>
#include <QScrollArea>
#include <QStringList>

class QPushButton;
class QVBoxLayout;

namespace kvt::ui {

// The area bar sb: a column of title buttons, one per area of the line catalogue, in catalogue
// order. A click reports the button's index; which area is shown as selected is decided by the
// line-list logic through setCaptionStyle(). Scrolls when the areas do not fit.
class AreaBar : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int ButtonHeight = 26;

    // How a button's caption is drawn.
    enum class CaptionStyle {
        Normal,   // window-text colour, normal weight
        Bold,     // window-text colour, bold (the area whose lines are listed)
        Selected, // green and bold (the area just clicked)
    };
    Q_ENUM(CaptionStyle)

    explicit AreaBar(QWidget* parent = nullptr);

    // Replaces every button by one per name, all with the normal caption.
    void setAreas(const QStringList& names);
    void clear() { setAreas({}); }
    int count() const { return int(buttons_.size()); }
    QStringList areas() const;
    // The button at index, or null.
    QPushButton* button(int index) const;
    int indexOf(const QPushButton* button) const { return int(buttons_.indexOf(button)); }

    void setCaptionStyle(int index, CaptionStyle style);
    CaptionStyle captionStyle(int index) const;

    // Clicks the button at index as the user would (ignored when there is none).
    void clickArea(int index);

signals:
    void areaClicked(int index);

private:
    QWidget* column_;
    QVBoxLayout* layout_;
    QList<QPushButton*> buttons_;
    QList<CaptionStyle> styles_;
};

} // namespace kvt::ui

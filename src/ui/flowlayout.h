#pragma once

#include <QLayout>
#include <QList>

// A row of controls that goes on in a new row below when the width runs out, as words do,
// so a row of buttons never cuts a caption at a narrow width. Each control keeps the width
// its caption needs.
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    // A gap before the next control, as between two groups of buttons.
    void addSpacing(int width);
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in rect (or only measures when place is false); returns the height.
    int arrange(const QRect& rect, bool place) const;
    int gap() const;

    QList<QLayoutItem*> items_;
};

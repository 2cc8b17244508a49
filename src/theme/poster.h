#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>

// A poster: a bitmap in the program folder's "posters" drawn behind the window picker. Its
// bottom row is not drawn; it carries the picker's colours and the stretch flag. Without a
// poster every colour is unset and the picker uses the system colours.
class Poster
{
public:
    // Loaded in place of a poster when "Don't use a Poster" is ticked: no file has it.
    static QString noPosterName() { return QStringLiteral("fl2xfvc.dcm"); }
    static QString folderName() { return QStringLiteral("posters"); }

    // Loads posters/<name> of the program folder. A file that is missing or is no picture
    // leaves no poster; unless name is the no-poster name, the status line
    // "Can't find the proper tile " + name tells the user.
    bool load(const QString& programFolder, const QString& name,
              const std::function<void(const QString&)>& statusLine);
    // Reads a picture as a poster; false when it is too small to carry its colours.
    bool setImage(const QImage& image);
    void clear();

    bool loaded() const { return !picture_.isNull(); }
    QString name() const { return name_; }
    // The picture without its bottom row.
    const QImage& picture() const { return picture_; }
    // Stretched over the picker unless pixel 5 of the bottom row is pure white.
    bool stretched() const { return stretched_; }
    std::optional<QColor> transparent() const { return colour(0); }
    std::optional<QColor> entryBackground() const { return colour(1); }
    std::optional<QColor> selectedBackground() const { return colour(2); }
    std::optional<QColor> thirdColour() const { return colour(3, Qt::white); }
    std::optional<QColor> fourthColour() const { return colour(4, Qt::white); }
    std::optional<QColor> entryText() const { return colour(6); }

private:
    std::optional<QColor> colour(int x, std::optional<QColor> without = std::nullopt) const;

    QString name_;
    QImage picture_;
    QColor bottom_[7];
    bool stretched_ = true;
};

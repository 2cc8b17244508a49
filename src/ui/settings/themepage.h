#pragma once

#include <QWidget>

class Client;
class ChatDocument;
class ChatView;
class ColourPalette;
class ColourSwatch;
class NickList;
class NickListView;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QStackedLayout;
class TextEntry;
class ThemeEditor;
struct ThemeItem;

// The theme page of the settings: the editor of ThemeEditor's open theme with its live
// preview: a chat view with the sample lines, a sample nick list and a text
// entry, showing every change at once.
class ThemePage : public QWidget
{
    Q_OBJECT
public:
    explicit ThemePage(Client& client, QWidget* parent = nullptr);
    ~ThemePage() override;

    // Shows the editor of an item of the item list; nothing for a separator line.
    void chooseItem(const QString& caption);
    // The item whose editor shows, or null.
    const ThemeItem* currentItem() const { return item_; }

    ChatView* previewView() const { return view_; }
    NickListView* previewNickList() const { return nickList_; }
    TextEntry* previewEntry() const { return entry_; }
    // "View Margins": a dotted frame round the text area, until the next change.
    void viewMargins();

private:
    QWidget* buildButtons();
    QWidget* buildEditors();
    QWidget* buildUsesEditor();
    QWidget* buildPreview();
    void onOpened();
    void onClosed();
    void refreshPreview();
    void showUses();
    void showUseArgument();
    void applyColour(const QColor& colour);
    void openThemeFile();
    void saveThemeAs();
    void fillPictures();
    QString themesFolder() const;

    Client& client_;
    ThemeEditor& editor_;
    const ThemeItem* item_ = nullptr;

    QLabel* title_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* delete_ = nullptr;
    QComboBox* itemCombo_ = nullptr;
    QWidget* editorArea_ = nullptr;
    QLineEdit* text_ = nullptr;
    QWidget* colourEditor_ = nullptr;
    ColourPalette* colourPalette_ = nullptr;
    ColourSwatch* colourSwatch_ = nullptr;
    QWidget* yesNo_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
    QListWidget* fontlist_ = nullptr;
    QSlider* size_ = nullptr;
    QWidget* marginEditor_ = nullptr;
    QSlider* margin_ = nullptr;
    QListWidget* tilelist_ = nullptr;
    QWidget* usesEditor_ = nullptr;
    QListWidget* uselist_ = nullptr;
    QComboBox* useKindCombo_ = nullptr;
    QLabel* useNameLabel_ = nullptr;
    QLineEdit* useNameEdit_ = nullptr;
    QLabel* help_ = nullptr;

    QWidget* preview_ = nullptr;
    QStackedLayout* previewStack_ = nullptr;
    ChatDocument* document_ = nullptr;
    NickList* sampleNicks_ = nullptr;
    ChatView* view_ = nullptr;
    NickListView* nickList_ = nullptr;
    TextEntry* entry_ = nullptr;
    QWidget* marginFrame_ = nullptr;
};

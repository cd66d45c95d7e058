#pragma once
// The metadata editor, through which every video enters the library: a thumbnail (click,
// Space or Enter picks a picture), the title and the artist, and "Save Changes". It saves
// into its own folder model, then tells the browser that opened it to refresh.

#include "library/FolderModel.h"
#include "phone/EditorSave.h"
#include "platform/screens/ViewController.h"

#include <QImage>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kavio::platform {
class Picker;
}

namespace kavio::phone {

class IPFManagerDelegate;
class ThumbnailButton;

class KVCustmPreview : public platform::ViewController {
    Q_OBJECT
public:
    // delegateObject: the same object as delegate, watched so a browser gone is never called.
    KVCustmPreview(EditorInput input, std::filesystem::path filePath, IPFManagerDelegate* delegate,
                   QObject* delegateObject);
    ~KVCustmPreview() override;

    const EditorInput& input() const { return input_; }
    QLineEdit* titleField() const { return txt_Fil; }
    QLineEdit* artistField() const { return txt_Mail; }
    QPushButton* saveButton() const { return Register; }
    QAbstractButton* thumbnailView() const;
    bool isPreparingThumbnail() const { return preparing_; }
    // PNG bytes the save stores.
    const std::optional<std::string>& thumbnail() const { return thumbnail_; }

    // "Save Changes".
    void setup();
    // The thumbnail's click: the picture picker.
    void tapPicker();
    // Closes without saving (the bar's Cancel, Escape).
    void cancelEditor();

protected:
    void loadView() override;
    void viewDidAppear(platform::Animated animated) override;

private:
    void setupHeading(QWidget* form);
    void setupThumbnail(QWidget* form);
    void setupFields(QWidget* form);
    void setupSaveButton(QWidget* form);
    void setupBar();
    void layoutForm();

    void pictureChosen(const std::filesystem::path& picture);
    // The video takes its name and its record as one change of the folder.
    void finish(const Placement& placement, const Placed& placed, const EditorForm& form);
    void show(const EditorOutcome& outcome);
    void close();

    EditorInput input_;
    FolderModel model_;
    IPFManagerDelegate* delegate_;
    QPointer<QObject> delegateObject_;
    std::optional<std::string> thumbnail_;
    bool preparing_ = false;
    bool saving_ = false;
    std::unique_ptr<platform::Picker> picker_;

    QWidget* form_ = nullptr;             // children of the view
    QLabel* headerLabel = nullptr;
    ThumbnailButton* imgView = nullptr;
    QLineEdit* txt_Fil = nullptr;
    QLineEdit* txt_Mail = nullptr;
    QPushButton* Register = nullptr;
};

} // namespace kavio::phone

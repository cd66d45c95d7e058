#pragma once
// File pickers standing in for the phone's photo-library and document pickers. Screens
// ask makePicker() for one; tests install a factory that makes scripted pickers.

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace kavio::platform {

enum class PickerKind { Image, Movie, Document };

// nullopt: cancelled.
using PickerCompletion = std::function<void(std::optional<std::filesystem::path>)>;

class Picker {
public:
    Picker() = default;
    virtual ~Picker() = default;
    Picker(const Picker&) = delete;
    Picker& operator=(const Picker&) = delete;

    // Never blocks the caller: the completion runs later on the main thread, exactly once;
    // never if parent is destroyed first (the screen that asked is gone). The picker
    // object itself may go away before the answer comes.
    virtual void pick(PickerKind kind, QWidget* parent, PickerCompletion done) = 0;
};

// The desktop implementation: a window-modal QFileDialog opened with open(), never exec().
// Image: starts in the XDG Pictures folder, filter png jpg jpeg gif webp heic heif bmp;
// Movie: starts in the XDG Videos folder, filter mp4 mov m4v;
// Document: starts in the home folder (or the last folder a document came from this run),
// filter mp4 mov m4v. Patterns in lower and upper case; existing files only; one file.
// A missing XDG folder falls back to the home folder.
class FileDialogPicker : public Picker {
public:
    void pick(PickerKind kind, QWidget* parent, PickerCompletion done) override;

    static QString startFolder(PickerKind kind);
    static QStringList nameFilters(PickerKind kind);
};

// The seam between screens and the dialogs. The default factory makes FileDialogPickers;
// an empty factory restores the default.
using PickerFactory = std::function<std::unique_ptr<Picker>()>;
void setPickerFactory(PickerFactory factory);
PickerFactory pickerFactory(); // empty while the default is in use
std::unique_ptr<Picker> makePicker();

// Installs a factory for one scope (a test) and puts the previous one back.
class ScopedPickerFactory {
public:
    explicit ScopedPickerFactory(PickerFactory factory);
    ~ScopedPickerFactory();
    ScopedPickerFactory(const ScopedPickerFactory&) = delete;
    ScopedPickerFactory& operator=(const ScopedPickerFactory&) = delete;

private:
    PickerFactory previous_;
};

} // namespace kavio::platform

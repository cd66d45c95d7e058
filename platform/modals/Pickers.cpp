#include "platform/modals/Pickers.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>
#include <utility>

namespace kavio::platform {

namespace {

constexpr std::array kImageExtensions{"png", "jpg", "jpeg", "gif", "webp", "heic", "heif", "bmp"};
constexpr std::array kMovieExtensions{"mp4", "mov", "m4v"};

// Where the last picked document came from, for this run of the program.
QString& lastDocumentFolder()
{
    static QString folder;
    return folder;
}

template <std::size_t N>
QString patterns(const std::array<const char*, N>& extensions)
{
    // Both cases: the dialog matches names case-sensitively on this platform.
    QStringList globs;
    for (const char* ext : extensions)
        globs << QStringLiteral("*.") + QLatin1String(ext);
    for (const char* ext : extensions)
        globs << QStringLiteral("*.") + QString::fromLatin1(ext).toUpper();
    return globs.join(u' ');
}

QString existingOrHome(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

QString caption(PickerKind kind)
{
    switch (kind) {
    case PickerKind::Image:
        return QStringLiteral("Choose a Picture");
    case PickerKind::Movie:
        return QStringLiteral("Choose a Video");
    case PickerKind::Document:
        return QStringLiteral("Import a Video File");
    }
    return {};
}

std::optional<std::filesystem::path> pickedPath(const QFileDialog& dialog, int result)
{
    if (result != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    // The file system's own bytes, whatever the name's encoding.
    return std::filesystem::path(QFile::encodeName(files.first()).toStdString());
}

} // namespace

QString FileDialogPicker::startFolder(PickerKind kind)
{
    switch (kind) {
    case PickerKind::Image:
        return existingOrHome(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    case PickerKind::Movie:
        return existingOrHome(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
    case PickerKind::Document:
        return existingOrHome(lastDocumentFolder());
    }
    return QDir::homePath();
}

QStringList FileDialogPicker::nameFilters(PickerKind kind)
{
    if (kind == PickerKind::Image)
        return {QStringLiteral("Images (%1)").arg(patterns(kImageExtensions))};
    return {QStringLiteral("Videos (%1)").arg(patterns(kMovieExtensions))};
}

void FileDialogPicker::pick(PickerKind kind, QWidget* parent, PickerCompletion done)
{
    auto* dialog = new QFileDialog(parent, caption(kind), startFolder(kind));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(nameFilters(kind));
    dialog->setWindowModality(Qt::WindowModal);
    // finished comes once per dialog; the dialog (and the completion with it) dies with
    // its parent when the screen goes first.
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, kind, done = std::move(done)](int result) mutable {
        if (!done)
            return;
        PickerCompletion answer = std::exchange(done, {});
        std::optional<std::filesystem::path> picked = pickedPath(*dialog, result);
        if (picked && kind == PickerKind::Document)
            lastDocumentFolder() = QFileInfo(QFile::decodeName(picked->parent_path().c_str())).absoluteFilePath();
        dialog->deleteLater();
        answer(std::move(picked));
    });
    dialog->open();
}

// --- factory -------------------------------------------------------------------------

namespace {

PickerFactory& factoryStorage()
{
    static PickerFactory factory;
    return factory;
}

} // namespace

void setPickerFactory(PickerFactory factory)
{
    factoryStorage() = std::move(factory);
}

PickerFactory pickerFactory()
{
    return factoryStorage();
}

std::unique_ptr<Picker> makePicker()
{
    if (const PickerFactory& factory = factoryStorage())
        return factory();
    return std::make_unique<FileDialogPicker>();
}

ScopedPickerFactory::ScopedPickerFactory(PickerFactory factory) : previous_(pickerFactory())
{
    setPickerFactory(std::move(factory));
}

ScopedPickerFactory::~ScopedPickerFactory()
{
    setPickerFactory(std::move(previous_));
}

} // namespace kavio::platform

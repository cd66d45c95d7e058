#include "phone/KVCustmPreview.h"

#include "library/ImageHelper.h"
#include "library/Utf8.h"
#include "phone/BusyRetry.h"
#include "phone/CopyJob.h"
#include "phone/Exports.h"
#include "phone/FileOperations.h"
#include "phone/IPFManagerDelegate.h"
#include "phone/Names.h"
#include "phone/PhoneStyle.h"
#include "platform/base/Dispatch.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/Pickers.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/NavigationItem.h"
#include "platform/views/ReturnKey.h"
#include "platform/views/Symbols.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

namespace kavio::phone {

namespace fs = std::filesystem;

// The 250-point picture: white, rounded, the image fitted inside; a button, so Tab,
// Space and Enter reach it as a click does.
class ThumbnailButton : public QAbstractButton {
public:
    explicit ThumbnailButton(QWidget* parent) : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(QObject::tr("Thumbnail"));
        setToolTip(QObject::tr("Choose a picture"));
    }
    void setImage(QImage image)
    {
        image_ = std::move(image);
        update();
    }
    const QImage& image() const { return image_; }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            click();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), style::kEditorThumbnailRadius, style::kEditorThumbnailRadius);
        p.setClipPath(shape);
        p.fillRect(rect(), Qt::white);
        if (!image_.isNull()) {
            const QSizeF fitted = QSizeF(image_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
            const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
            p.drawImage(target, image_);
        }
        if (hasFocus()) {
            p.setClipping(false);
            p.setPen(QPen(style::editorUnderline, 3));
            p.setBrush(Qt::NoBrush);
            p.drawPath(shape);
        }
    }

private:
    QImage image_;
};

namespace {

constexpr int kTopMargin = 20;
constexpr int kGap = 20;
constexpr int kFieldGap = 10;
constexpr int kButtonGap = 50;

// The form's ground: the bar's grey at the top left fading darker to the bottom right.
class GradientView : public QWidget {
public:
    GradientView() { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QLinearGradient gradient(QPointF(0, -0.5 * height()), QPointF(width(), height()));
        gradient.setColorAt(0, style::editorGradientTop);
        gradient.setColorAt(1, style::editorGradientBottom);
        p.fillRect(rect(), gradient);
    }
};

// Lays the column out centred whenever the view changes size.
class FormLayout : public QObject {
public:
    FormLayout(QWidget* view, std::function<void()> layout) : QObject(view), layout_(std::move(layout))
    {
        view->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            layout_();
        return false;
    }

private:
    std::function<void()> layout_;
};

QLineEdit* makeField(const QString& placeholder, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(placeholder);
    field->setClearButtonEnabled(true);
    field->setFixedSize(style::kEditorWidth, style::kEditorFieldHeight);
    field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none;"
                                        " border-bottom: 1px solid %1; color: %2; }")
                             .arg(style::editorUnderline.name(), style::editorFieldText.name()));
    QPalette palette = field->palette();
    palette.setColor(QPalette::PlaceholderText, style::editorPlaceholder);
    field->setPalette(palette);
    QFont font = field->font();
    font.setPixelSize(17);
    field->setFont(font);
    return field;
}

QImage previewOf(const QImage& image, qreal ratio)
{
    const int side = static_cast<int>(style::kEditorWidth * ratio);
    if (image.width() <= side && image.height() <= side)
        return image;
    return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

KVCustmPreview::KVCustmPreview(EditorInput input, fs::path filePath, IPFManagerDelegate* delegate,
                               QObject* delegateObject)
    : input_(std::move(input)), model_(std::move(filePath)), delegate_(delegate), delegateObject_(delegateObject),
      thumbnail_(defaultThumbnailPng())
{
}

KVCustmPreview::~KVCustmPreview() = default;

QAbstractButton* KVCustmPreview::thumbnailView() const
{
    return imgView;
}

void KVCustmPreview::loadView()
{
    auto* root = new GradientView;
    form_ = root;
    setupHeading(root);
    setupThumbnail(root);
    setupFields(root);
    setupSaveButton(root);
    setupBar();
    new FormLayout(root, [this] { layoutForm(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), root, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &KVCustmPreview::cancelEditor);
    platform::setDefaultAction(root, [this] { setup(); });
    setView(root);
}

void KVCustmPreview::setupHeading(QWidget* form)
{
    headerLabel = new QLabel(QStringLiteral("Meta info Regist"), form);
    headerLabel->setFont(style::editorHeadingFont());
    headerLabel->setAlignment(Qt::AlignCenter);
    QPalette palette = headerLabel->palette();
    palette.setColor(QPalette::WindowText, style::editorHeading);
    headerLabel->setPalette(palette);
    headerLabel->adjustSize();
}

void KVCustmPreview::setupThumbnail(QWidget* form)
{
    imgView = new ThumbnailButton(form);
    imgView->setFixedSize(style::kEditorWidth, style::kEditorWidth);
    imgView->setImage(QImage(QStringLiteral(":/icons/mp4_preview.png")));
    connect(imgView, &QAbstractButton::clicked, this, &KVCustmPreview::tapPicker);
}

void KVCustmPreview::setupFields(QWidget* form)
{
    txt_Fil = makeField(QStringLiteral("Title name"), form);
    txt_Fil->setText(fromUtf8(proposedTitle(input_)));
    txt_Mail = makeField(QStringLiteral("Artist name"), form);
    // Return hides no keyboard here: it moves on, and on the last field it saves.
    connect(txt_Fil, &QLineEdit::returnPressed, txt_Mail, [this] { txt_Mail->setFocus(Qt::TabFocusReason); });
    connect(txt_Mail, &QLineEdit::returnPressed, this, &KVCustmPreview::setup);
}

void KVCustmPreview::setupSaveButton(QWidget* form)
{
    Register = new QPushButton(QStringLiteral("Save Changes"), form);
    Register->setFixedSize(style::kEditorWidth, style::kEditorFieldHeight);
    Register->setCursor(Qt::PointingHandCursor);
    Register->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 10px;"
                                           " font-size: 17px; }"
                                           " QPushButton:focus { border: 2px solid %3; }"
                                           " QPushButton:pressed { background: %4; }"
                                           " QPushButton:disabled { color: %5; }")
                                .arg(style::editorButton.name(), style::editorButtonText.name(),
                                     style::editorUnderline.name(), style::editorButton.darker(130).name(),
                                     style::editorPlaceholder.name()));
    connect(Register, &QPushButton::clicked, this, &KVCustmPreview::setup);
}

void KVCustmPreview::setupBar()
{
    auto* cancel = new QToolButton;
    cancel->setText(tr("Cancel"));
    cancel->setAutoRaise(true);
    cancel->setStyleSheet(QStringLiteral("QToolButton { color: %1; border: none; font-size: 17px; padding: 0 4px; }")
                              .arg(style::barItems.name()));
    cancel->setCursor(Qt::PointingHandCursor);
    connect(cancel, &QToolButton::clicked, this, &KVCustmPreview::cancelEditor);
    std::vector<platform::BarButtonItem> items;
    items.push_back(platform::BarButtonItem::customView(cancel));
    navigationItem().setRightBarButtonItems(std::move(items));
}

void KVCustmPreview::layoutForm()
{
    const int left = (form_->width() - style::kEditorWidth) / 2;
    int y = kTopMargin;
    const QSize heading = headerLabel->sizeHint();
    headerLabel->setGeometry((form_->width() - heading.width()) / 2, y, heading.width(), heading.height());
    y += heading.height() + kGap;
    imgView->move(left, y);
    y += imgView->height() + kGap;
    txt_Fil->move(left, y);
    y += txt_Fil->height() + kFieldGap;
    txt_Mail->move(left, y);
    y += txt_Mail->height() + kButtonGap;
    Register->move(left, y);
}

void KVCustmPreview::viewDidAppear(platform::Animated)
{
    txt_Fil->setFocus(Qt::OtherFocusReason);
}

void KVCustmPreview::tapPicker()
{
    picker_ = platform::makePicker();
    picker_->pick(platform::PickerKind::Image, view(), [this](std::optional<fs::path> picked) {
        if (picked)
            pictureChosen(*picked);
    });
}

void KVCustmPreview::pictureChosen(const fs::path& picture)
{
    // Decoding and encoding a camera picture takes a moment: off the main thread.
    preparing_ = true;
    Register->setEnabled(false);
    const qreal ratio = view()->devicePixelRatioF();
    struct Prepared {
        Result<std::string> png;
        QImage preview;
    };
    platform::dispatchInBackground(this, [picture, ratio] {
        Result<std::string> bytes = readPictureFile(picture);
        const QImage image = bytes ? decodeImage(*bytes) : QImage();
        return Prepared{pngThumbnail(image), previewOf(image, ratio)};
    }, [this, picture](Prepared prepared) {
        preparing_ = false;
        Register->setEnabled(true);
        if (!prepared.png) {
            platform::presentAlert(*this, platform::makeMessageAlert(QStringLiteral("Err"),
                QStringLiteral("\"%1\" is not a picture Kavio can read.").arg(QString::fromStdString(picture.filename().string()))));
            return;
        }
        thumbnail_ = *prepared.png;
        imgView->setImage(prepared.preview);
    });
}

void KVCustmPreview::setup()
{
    if (saving_ || preparing_)
        return;
    const EditorForm form{toUtf8(txt_Fil->text()), toUtf8(txt_Mail->text()), thumbnail_};
    std::variant<Placement, EditorOutcome> plan = planSave(model_, input_, form, realFileSystem());
    if (const auto* early = std::get_if<EditorOutcome>(&plan)) {
        show(*early);
        return;
    }
    if (std::optional<std::string> problem = artistProblem(form.artist)) {
        show(EditorOutcome::stayOpen(*problem));
        return;
    }
    const Placement placement = std::get<Placement>(plan);
    saving_ = true;
    Register->setEnabled(false);
    if (!placeCopies(placement)) {
        finish(placement, {}, form);
        return;
    }
    // The copy is made without the folder's lock (other programs may change the folder
    // meanwhile); only putting it in place with its record holds the folder.
    auto placed = std::make_shared<Placed>();
    runCopyJob(
        *this, tr("Copying the video"),
        [placement, placed](CopyControl& control) {
            *placed = place(placement, realFileSystem(), &control);
            return placed->status;
        },
        [this, placement, placed, form](const Status&) { finish(placement, *placed, form); });
}

void KVCustmPreview::finish(const Placement& placement, const Placed& placed, const EditorForm& form)
{
    auto done = [this](const EditorOutcome& outcome) {
        saving_ = false;
        Register->setEnabled(true);
        show(outcome);
    };
    retryWhileBusy(
        this,
        [placement, placed, form, done, this] {
            const EditorOutcome outcome =
                finishSave(model_, placement, placed, form, realFileSystem(), std::chrono::system_clock::now());
            if (outcome.kind == EditorOutcome::Kind::Busy)
                return false;
            done(outcome);
            return true;
        },
        [done] { done(EditorOutcome::busy(kFolderBusy)); });
}

void KVCustmPreview::show(const EditorOutcome& outcome)
{
    switch (outcome.kind) {
    case EditorOutcome::Kind::Saved: close(); return;
    case EditorOutcome::Kind::StayOpen:
        if (!outcome.message.empty())
            platform::presentAlert(*this, platform::makeMessageAlert(QStringLiteral("Err"), fromUtf8(outcome.message)));
        return;
    case EditorOutcome::Kind::Busy: {
        const QString title = QString::fromLatin1(kFolderBusyTitle);
        platform::presentAlert(*this, platform::makeMessageAlert(title, fromUtf8(outcome.message)));
        return;
    }
    case EditorOutcome::Kind::CloseAfter: {
        auto alert = std::make_unique<platform::AlertController>(QStringLiteral("Err"), fromUtf8(outcome.message));
        alert->addAction(QStringLiteral("OK"), platform::AlertActionStyle::Default,
                         [guard = QPointer<KVCustmPreview>(this)](platform::AlertController&) {
                             if (guard)
                                 guard->close();
                         });
        platform::presentAlert(*this, std::move(alert));
        return;
    }
    }
}

void KVCustmPreview::cancelEditor()
{
    if (saving_)
        return; // the copy's own Cancel stops it
    close();
}

void KVCustmPreview::close()
{
    if (input_.kind == ImportKind::Export)
        discardExport(input_.video); // after a save only its empty folder is left
    IPFManagerDelegate* delegate = delegate_;
    QPointer<QObject> alive = delegateObject_;
    platform::ViewController* shown = navigationController() ? static_cast<platform::ViewController*>(navigationController()) : this;
    shown->dismiss(platform::Animated::Yes, [delegate, alive] {
        if (alive && delegate)
            delegate->UpdateTable();
    });
}

} // namespace kavio::phone

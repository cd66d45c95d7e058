// The phone browser's removals: off the main thread, a notice with Undo, Ctrl+Z, and
// deletion for good of what no trash takes, confirmed on its own.

#include "phone/IPFMController.h"

#include "library/FolderChange.h"
#include "library/PlainText.h"
#include "library/Utf8.h"
#include "phone/RemovalJob.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/Notice.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Window.h"

#include <QDebug>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>

namespace kavio::phone {

namespace fs = std::filesystem;
using platform::AlertActionStyle;
using platform::AlertController;

namespace {

RemovalOutcome asRemoval(Outcome outcome)
{
    RemovalOutcome out;
    static_cast<Outcome&>(out) = std::move(outcome);
    return out;
}

QString quoted(const std::string& name)
{
    return fromUtf8("\"" + escapedForTerminal(name) + "\"");
}

} // namespace

void IPFMController::setupUndo()
{
    // The window's shortcut while this browser is the one on show; text fields keep their
    // own Ctrl+Z.
    auto* undo = new QShortcut(QKeySequence::Undo, view(), nullptr, nullptr, Qt::WindowShortcut);
    connect(undo, &QShortcut::activated, this, &IPFMController::undoLastRemoval);
}

void IPFMController::removeEntry(const FolderEntry& entry)
{
    beginAction(entry);
    runRemoval(tr("Moving to the Trash"), [folder = model_.currentURL(), target = *sele_entry](const RemovalProgress&) {
        FolderModel model(folder);
        return phone::removeEntry(model, target, kWindowWaitsForFolder);
    });
}

void IPFMController::deletingVideos()
{
    runRemoval(tr("Moving to the Trash"), [folder = model_.currentURL()](const RemovalProgress& progress) {
        FolderModel model(folder);
        return emptyFolder(model, kWindowWaitsForFolder, Disposal::ToTrash, progress);
    });
}

void IPFMController::runRemoval(const QString& title, std::function<RemovalOutcome(const RemovalProgress&)> work)
{
    runRemovalJob(*this, title, std::move(work), [this](RemovalOutcome outcome) { removalDone(outcome); });
}

void IPFMController::removalDone(const RemovalOutcome& outcome)
{
    if (!outcome.removal.empty()) {
        const std::uint64_t id = removals_->push(outcome.removal);
        removals_->noticed = id;
        // The notice outlives this browser when it is popped: Undo then runs in the one on top.
        QPointer<IPFMController> self(this);
        QPointer<platform::NavigationController> nav(navigationController());
        platform::showNotice(*this, {fromUtf8(removalNotice(outcome.removal)), tr("Undo"), [self, nav, id] {
                                         auto* top = nav ? dynamic_cast<IPFMController*>(nav->topViewController()) : nullptr;
                                         if (IPFMController* target = top ? top : self.data())
                                             target->undoRemoval(id);
                                     }});
    }
    if (!outcome.untrashable.empty()) {
        for (const std::string& line : outcome.log)
            qInfo().noquote() << fromUtf8(line);
        reloadContent();
        offerPermanentDeletion(outcome);
        return;
    }
    show(outcome);
}

void IPFMController::undoLastRemoval()
{
    // Not behind an alert or a sheet: the keys belong to what is on top.
    if (platform::Window* w = window(); !w || w->topViewController() != w->rootViewController())
        return;
    if (const std::optional<std::uint64_t> id = removals_->newest())
        undoRemoval(*id);
}

void IPFMController::undoRemoval(std::uint64_t id)
{
    std::optional<Removal> removal = removals_->take(id);
    if (!removal)
        return;
    if (removals_->noticed == id) {
        removals_->noticed = 0;
        if (platform::NoticeBar* bar = platform::noticeBarFor(*this))
            bar->dismiss();
    }
    runRemovalJob(
        *this, tr("Putting Back"),
        [removal = *removal](const RemovalProgress& progress) {
            FolderModel model(removal.folder);
            RemovalOutcome out = asRemoval(restoreRemoval(model, removal, kWindowWaitsForFolder, progress));
            out.removal = removal;
            return out;
        },
        [this, id](RemovalOutcome outcome) {
            if (outcome.kind == Outcome::Kind::Busy)
                removals_->putBack(id, outcome.removal); // try again later: nothing was put back
            else if (outcome.done())
                platform::showNotice(*this, {fromUtf8(restoredNotice(outcome.removal)), {}, {},
                                             std::chrono::milliseconds(4000)});
            show(outcome);
        });
}

void IPFMController::offerPermanentDeletion(const RemovalOutcome& outcome)
{
    std::vector<EntryRef> entries;
    for (const Untrashable& u : outcome.untrashable)
        entries.push_back(u.entry);
    auto alert = std::make_unique<AlertController>(tr("Not Moved to the Trash"), fromUtf8(outcome.message));
    alert->addAction(tr("Delete Permanently…"), AlertActionStyle::Destructive,
                     [this, folder = outcome.removal.folder, entries](AlertController&) {
                         const QString what = entries.size() == 1 ? quoted(entries.front().name)
                                                                  : tr("%1 items").arg(entries.size());
                         auto confirm = std::make_unique<AlertController>(
                             tr("Delete Permanently?"),
                             tr("%1 will be deleted immediately. This cannot be undone.").arg(what));
                         confirm->addAction(tr("Delete Permanently"), AlertActionStyle::Destructive,
                                            [this, folder, entries](AlertController&) { deletePermanently(folder, entries); });
                         confirm->addAction(tr("Cancel"), AlertActionStyle::Cancel);
                         platform::presentAlert(*this, std::move(confirm));
                     });
    alert->addAction(tr("Keep"), AlertActionStyle::Cancel);
    platform::presentAlert(*this, std::move(alert));
}

void IPFMController::deletePermanently(const fs::path& folder, const std::vector<EntryRef>& entries)
{
    runRemoval(tr("Deleting"), [folder, entries](const RemovalProgress&) {
        FolderModel model(folder);
        return erasePermanently(model, entries, kWindowWaitsForFolder);
    });
}

} // namespace kavio::phone

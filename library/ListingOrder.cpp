#include "library/ListingOrder.h"

#include "library/Utf8.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace kavio {

namespace {

// The collator compares case-insensitively and numbers by value; accents are dropped
// before it sees the text, since it can only ignore case.
QString withoutAccents(const QString& title)
{
    const QString decomposed = title.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    }
    return out;
}

struct SortItem {
    FolderEntry entry;
    QCollatorSortKey key;
};

} // namespace

QString shownTitle(const FolderEntry& entry, const RecordList& records)
{
    if (entry.kind == EntryKind::Video) {
        if (const std::optional<std::size_t> index = findRecord(records, entry.baseName()))
            return fromUtf8(*records[*index]->FILENAME);
    }
    return entry.displayName();
}

void sortListing(std::vector<FolderEntry>& entries, const RecordList& records)
{
    // The C locale collates by code point, with no numbers and no case folding: a process
    // started without a language sorts as English does.
    QLocale language;
    if (language.language() == QLocale::C)
        language = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(language);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setIgnorePunctuation(false);
    // The first record of each title, as findRecord picks it, without a scan per entry.
    std::unordered_map<std::string_view, const MovieInfo*> byTitle;
    for (const RecordPtr& r : records) {
        if (r && r->FILENAME)
            byTitle.emplace(*r->FILENAME, r.get());
    }
    // Keys once per entry: a large folder sorts without collating each pair again.
    std::vector<SortItem> items;
    items.reserve(entries.size());
    for (FolderEntry& entry : entries) {
        QString title;
        if (entry.kind == EntryKind::Video) {
            if (const auto it = byTitle.find(entry.baseName()); it != byTitle.end())
                title = fromUtf8(*it->second->FILENAME);
        }
        if (title.isNull())
            title = entry.displayName();
        QCollatorSortKey key = collator.sortKey(withoutAccents(title));
        items.push_back({std::move(entry), std::move(key)});
    }
    std::sort(items.begin(), items.end(), [](const SortItem& a, const SortItem& b) {
        if (a.entry.kind != b.entry.kind)
            return a.entry.kind == EntryKind::Folder;
        if (const int order = a.key.compare(b.key); order != 0)
            return order < 0;
        return a.entry.name < b.entry.name;
    });
    entries.clear();
    for (SortItem& item : items)
        entries.push_back(std::move(item.entry));
}

} // namespace kavio

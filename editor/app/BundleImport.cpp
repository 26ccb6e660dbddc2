#include "editor/app/BundleImport.h"

#include <QStringList>
#include <filesystem>

#include "bundle/FolderPlacer.h"
#include "bundle/ProgramBundle.h"

namespace orb {

namespace {

// Enough of the problems to say what is wrong without a box taller than the screen.
constexpr size_t kProblemsShown = 10;

QString messageOf(const BundleOutcome& outcome) {
    QStringList lines{QString::fromStdString(toText(outcome))};
    size_t shown = 0;
    for (const JsonProblem& p : outcome.problems) {
        if (p.severity != ProblemSeverity::Error) continue;
        if (++shown > kProblemsShown) {
            lines << "...";
            break;
        }
        lines << QString::fromStdString(toText(p));
    }
    return lines.join('\n');
}

}  // namespace

QString saveBundle(const ItemStore& store, const QString& path) {
    const BundleOutcome written = writeBundleFile(store, path.toStdString());
    return written.ok() ? QString() : messageOf(written);
}

void BundleImport::undo() {
    removePlaced(created, createdFolders);
    created.clear();
    createdFolders.clear();
}

BundleImport importBundle(const QString& bundle, const QString& folder, ItemStore& out) {
    BundleImport result;
    ProgramBundle read;
    BundleOutcome outcome = readBundleFile(bundle.toStdString(), read);
    if (!outcome.ok()) {
        result.error = messageOf(outcome);
        return result;
    }
    FolderPlacer placer(folder.toStdString());
    outcome = importBundle(read, placer.placer(), out);
    if (!outcome.ok()) {
        placer.removeCreated();
        result.error = messageOf(outcome);
        return result;
    }
    result.created = placer.created();
    result.createdFolders = placer.createdFolders();
    return result;
}

bool isBundlePath(const QString& path) {
    return path.endsWith(".zip", Qt::CaseInsensitive);
}

}  // namespace orb

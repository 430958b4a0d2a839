// The window's acoustic duplicate search: fingerprints made on the spot where none are stored,
// then the pairs of items that sound the same.
#include "main_frame.h"

#include "prompter.h"
#include "tools/acoustic_duplicates.h"
#include "tools/stored_fingerprints.h"

#include <QApplication>
#include <QProgressDialog>

#include <cstdio>

namespace tunebay {

namespace {

constexpr double kAcousticThreshold = 0.9;
constexpr size_t kPairsShown = 50;

} // namespace

void CMainFrame::FindAcousticDuplicates() {
    if (!IsCatalogueOpen())
        return;
    const int total = CountFingerprintableMedia(m_connection);
    QProgressDialog progress(tr("Fingerprinting files..."), tr("Cancel"), 0, total, this);
    progress.setWindowTitle(tr("Tunebay"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const FingerprintCollection collection = CollectFingerprints(
        m_connection, [&progress] { return progress.wasCanceled(); },
        [&progress](int count) {
            progress.setValue(count);
            QApplication::processEvents();
        });
    if (progress.wasCanceled())
        return;
    progress.close();

    // Each pair names the files where this machine has them.
    const auto path = [&collection](int media) {
        return QString::fromStdString(collection.paths.at(media));
    };
    const auto matches = tunebay::FindAcousticDuplicates(collection.media, kAcousticThreshold);
    QString text = matches.empty() ? tr("No two items sound the same.")
                                   : tr("%n pair(s) of items sound the same:", "",
                                        static_cast<int>(matches.size()));
    for (size_t i = 0; i < matches.size() && i < kPairsShown; ++i) {
        char similarity[16];
        std::snprintf(similarity, sizeof similarity, "%.0f%%", matches[i].similarity * 100.0);
        text += QString("\n\n%1  %2\n       %3")
                    .arg(similarity, path(matches[i].firstMediaId), path(matches[i].secondMediaId));
    }
    if (matches.size() > kPairsShown)
        text += tr("\n\n... and %n more (tunebay-cli duplicates --acoustic lists them all).", "",
                   static_cast<int>(matches.size() - kPairsShown));
    if (!collection.failed.empty())
        text += tr("\n\n%n file(s) could not be fingerprinted.", "",
                   static_cast<int>(collection.failed.size()));
    m_prompter.Message(text, PromptIcon::Information);
}

} // namespace tunebay

// Cover thumbnails: how many a second are made from MP3 files with an embedded 600 x 600 JPEG
// (cold, into an empty cache) and read back from the cache (warm), and how long the Large Icons
// view of 100,000 items takes to its first paint and until the covers on screen are shown, and
// after a jump to the middle of the list; each the median of kRuns runs, a new view and an empty
// cache each time. Then how long pruning a full cache takes. Runs on Qt's offscreen platform.
#include "synthetic_catalogue.h"

#include "cover_icon_loader.h"
#include "cover_thumbnails.h"
#include "covers/cover_art.h"
#include "item_icon_view.h"
#include "item_list_model.h"
#include "store/catalogue_connection.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScrollBar>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;
using namespace tunebay;

namespace {

constexpr int kFiles = 200;
constexpr int kRuns = 5;

double median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

double millisecondsOf(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

std::string jpeg(int seed) {
    QImage image(600, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 600, 600);
    gradient.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 200, 220));
    gradient.setColorAt(1, QColor::fromHsv(seed * 91 % 360, 160, 90));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes.toStdString();
}

// An MPEG-1 Layer III stream of silent 128 kbit/s frames.
std::string mp3() {
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x00';
    std::string stream;
    for (int i = 0; i < 40; ++i)
        stream += frame;
    return stream;
}

bool waitFor(QApplication& app, const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        app.processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char pattern[] = "/tmp/tunebay-covers-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const fs::path root(pattern);
    const fs::path music = root / "music";
    fs::create_directories(music);

    std::vector<std::string> files;
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = (music / ("cover" + std::to_string(i) + ".mp3")).string();
        std::ofstream(path, std::ios::binary) << mp3();
        if (!SetEmbeddedCover(path, jpeg(i)).ok) {
            std::fprintf(stderr, "cannot embed a cover into %s\n", path.c_str());
            return 1;
        }
        files.push_back(path);
    }

    std::vector<double> cold;
    std::vector<double> warm;
    for (int run = 0; run < kRuns; ++run) {
        const CoverThumbnails thumbnails(
            QString::fromStdString((root / ("cache" + std::to_string(run))).string()));
        for (std::vector<double>* pass : {&cold, &warm}) {
            QElapsedTimer timer;
            timer.start();
            for (const std::string& file : files)
                if (thumbnails.Thumbnail(QString::fromStdString(file), 48).isNull())
                    return 1;
            pass->push_back(kFiles / (static_cast<double>(timer.nsecsElapsed()) / 1e9));
        }
    }
    std::printf("thumbnails, cold cache: %8.0f per second (median of %d runs of %d files, "
                "600x600 JPEG to 48)\n",
                median(cold), kRuns, kFiles);
    std::printf("thumbnails, warm cache: %8.0f per second\n", median(warm));

    // 100,000 items, each file name a hard link to one of the files with a cover.
    const int items = 100000;
    const fs::path catalogue = root / "bench.tbf";
    fs::copy_file(fs::path(TUNEBAY_DATA_DIR) / "TBDB.src", catalogue);
    // The model reads its rows from the catalogue as they are shown, as the window's does.
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(catalogue.string())) != 0)
        return 1;
    connection.EnableConcurrentAccess();
    bench::FillSyntheticCatalogue(connection, bench::ShapeFor(items));
    connection.Execute("UPDATE tblDirectory SET sLocal='" + music.string() + "/'");
    int n = 0;
    for (ResultSet names =
             connection.Execute("SELECT tblMedia.sFileName FROM tblItem, tblMedia "
                                "WHERE tblItem.lMediaID=tblMedia.lID ORDER BY tblItem.lID");
         !names.IsEof(); names.MoveNext(), ++n) {
        std::error_code error;
        fs::create_hard_link(files[static_cast<std::size_t>(n % kFiles)], music / names.GetText(0),
                             error);
    }

    ItemListModel model;
    model.SetItemReader(
        [&connection](std::span<const int> ids) { return ReadListedItems(connection, ids); });
    const int run = model.Clear();
    const std::atomic<bool> stop{false};
    RunListing(connection, Selection{}, stop,
               [&](ListedKeys&& batch) { model.AppendBatch(run, std::move(batch)); });
    const int listed = model.rowCount();
    QItemSelectionModel selection(&model);
    const QString cataloguePath = QString::fromStdString(catalogue.string());
    std::vector<double> firstPaints, coversShown, jumpPaints, jumpCovers;
    int onScreen = 0;
    int onScreenAfterJump = 0;
    for (int run = 0; run < kRuns; ++run) {
        ItemIconView view(&model, &selection);
        CoverIconLoader loader(nullptr, CoverThumbnails(QString::fromStdString(
                                            (root / ("view" + std::to_string(run))).string())));
        view.SetCoverSource(&loader, [&] { return cataloguePath; });
        view.SetItemStyle(0);
        view.resize(1000, 700);
        PaintCounter counter;
        view.viewport()->installEventFilter(&counter);
        int ready = 0;
        QObject::connect(&loader, &CoverIconLoader::iconReady, [&ready] { ++ready; });

        QElapsedTimer timer;
        timer.start();
        view.show();
        waitFor(
            app, [&] { return counter.paints > 0; }, 60000);
        firstPaints.push_back(millisecondsOf(timer));
        waitFor(
            app, [&] { return ready > 0; }, 60000);
        loader.WaitForIdle();
        app.processEvents();
        coversShown.push_back(millisecondsOf(timer));
        onScreen = ready;

        timer.restart();
        const int paintsBefore = counter.paints;
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
        waitFor(
            app, [&] { return counter.paints > paintsBefore; }, 60000);
        jumpPaints.push_back(millisecondsOf(timer));
        const int readyBefore = ready;
        waitFor(
            app, [&] { return ready > readyBefore; }, 60000);
        loader.WaitForIdle();
        app.processEvents();
        jumpCovers.push_back(millisecondsOf(timer));
        onScreenAfterJump = ready - readyBefore;
    }

    std::printf("large icons, %d items: first paint %7.1f ms, its %d covers shown after %7.1f ms "
                "(medians of %d runs)\n",
                listed, median(firstPaints), onScreen, median(coversShown), kRuns);
    std::printf("jump to the middle:      paint %7.1f ms, its %d covers shown after %7.1f ms\n",
                median(jumpPaints), onScreenAfterJump, median(jumpCovers));

    // A cache of 20,000 thumbnails past its limit, pruned to three quarters of it.
    {
        const fs::path full = root / "full";
        fs::create_directories(full);
        std::ifstream in(fs::directory_iterator(root / "cache0")->path(), std::ios::binary);
        const std::string thumbnail((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
        for (int i = 0; i < 20000; ++i)
            std::ofstream(full / (std::to_string(i) + ".png"), std::ios::binary) << thumbnail;
        const CoverThumbnails cache(QString::fromStdString(full.string()),
                                    static_cast<qint64>(thumbnail.size()) * 10000);
        QElapsedTimer timer;
        timer.start();
        cache.Prune();
        std::printf("pruning 20,000 thumbnails to 7,500:  %7.1f ms\n", millisecondsOf(timer));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %ld KiB\n", usage.ru_maxrss);
    fs::remove_all(root);
    return 0;
}

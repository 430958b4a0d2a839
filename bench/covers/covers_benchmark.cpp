// Cover thumbnails: how many a second are made from MP3 files with an embedded 600 x 600 JPEG
// (cold, into an empty cache) and read back from the cache (warm), and how long the Large Icons
// view of 100,000 items takes to its first paint and until the covers on screen are shown, and
// after a jump to the middle of the list. Runs on Qt's offscreen platform.
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

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using namespace tunebay;

namespace {

constexpr int kFiles = 200;

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

    const CoverThumbnails thumbnails(QString::fromStdString((root / "cache").string()));
    for (const char* pass : {"cold", "warm"}) {
        QElapsedTimer timer;
        timer.start();
        for (const std::string& file : files)
            if (thumbnails.Thumbnail(QString::fromStdString(file), 48).isNull())
                return 1;
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        std::printf("thumbnails (%s cache): %8.0f per second (%d files, 600x600 JPEG to 48)\n",
                    pass, kFiles / seconds, kFiles);
    }

    // 100,000 items, each file name a hard link to one of the files with a cover.
    const int items = 100000;
    const fs::path catalogue = root / "bench.tbf";
    fs::copy_file(fs::path(TUNEBAY_DATA_DIR) / "TBDB.src", catalogue);
    std::vector<ListedItem> rows;
    {
        CCatalogueConnection connection;
        if (connection.Open(CatalogueConnectionString(catalogue.string())) != 0)
            return 1;
        connection.EnableConcurrentAccess();
        bench::FillSyntheticCatalogue(connection, bench::ShapeFor(items));
        connection.Execute("UPDATE tblDirectory SET sLocal='" + music.string() + "/'");
        int n = 0;
        for (ResultSet names = connection.Execute(
                 "SELECT tblItem.lID, tblMedia.sName, tblMedia.sFileName FROM tblItem, tblMedia "
                 "WHERE tblItem.lMediaID=tblMedia.lID ORDER BY tblItem.lID");
             !names.IsEof(); names.MoveNext(), ++n) {
            std::error_code error;
            fs::create_hard_link(files[static_cast<std::size_t>(n % kFiles)],
                                 music / names.GetText(2), error);
            ListedItem row;
            row.itemId = names.GetInt(0);
            row.title = names.GetText(1);
            rows.push_back(std::move(row));
        }
    }
    const int listed = static_cast<int>(rows.size());

    ItemListModel model;
    model.AppendBatch(model.CurrentRun(), std::move(rows));
    QItemSelectionModel selection(&model);
    ItemIconView view(&model, &selection);
    CoverIconLoader loader(nullptr,
                           CoverThumbnails(QString::fromStdString((root / "cache2").string())));
    const QString cataloguePath = QString::fromStdString(catalogue.string());
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
    const double firstPaint = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    waitFor(
        app, [&] { return ready > 0; }, 60000);
    loader.WaitForIdle();
    app.processEvents();
    const double coversShown = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const int onScreen = ready;

    timer.restart();
    const int paintsBefore = counter.paints;
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    waitFor(
        app, [&] { return counter.paints > paintsBefore; }, 60000);
    const double jumpPaint = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const int readyBefore = ready;
    waitFor(
        app, [&] { return ready > readyBefore; }, 60000);
    loader.WaitForIdle();
    app.processEvents();
    const double jumpCovers = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    std::printf("large icons, %d items: first paint %7.1f ms, its %d covers shown after %7.1f ms\n",
                listed, firstPaint, onScreen, coversShown);
    std::printf("jump to the middle:      paint %7.1f ms, its %d covers shown after %7.1f ms\n",
                jumpPaint, ready - readyBefore, jumpCovers);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %ld KiB\n", usage.ru_maxrss);
    fs::remove_all(root);
    return 0;
}

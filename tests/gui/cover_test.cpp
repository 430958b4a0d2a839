// Covers in the window: the thumbnail cache, the Large Icons view reading covers off the window's
// thread, and the Properties window's cover with Set cover and Remove cover.
#include "cover_icon_loader.h"
#include "cover_panel.h"
#include "cover_thumbnails.h"
#include "covers/cover_art.h"
#include "gui_tests.h"
#include "item_icon_view.h"
#include "item_list_model.h"
#include "properties_window.h"
#include "support/encoded_audio.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <filesystem>

using namespace tunebay;
using namespace tunebay::test;

namespace {

std::string pictureBytes(QColor colour, int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

std::string mp3File() {
    test::Mp3Recipe recipe;
    recipe.frameCount = 20;
    return test::makeMp3(recipe);
}

// Moves a file's (or folder's) modification time an hour back, so that the next change is seen
// whatever the clock's resolution.
void ageFile(const std::filesystem::path& path) {
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) -
                                               std::chrono::hours(1));
}

QRgb centre(const QImage& image) {
    return image.pixel(image.width() / 2, image.height() / 2);
}

} // namespace

class CoverTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A thumbnail (or the note that there is none) is made once and read from the cache after; a
    // changed file or a picture put beside it later gets a new one.
    void thumbnailCacheFollowsTheFile() {
        TempDir dir;
        TempDir cache;
        const auto file = dir.write("a.mp3", mp3File());
        const QString path = QString::fromStdString(file.string());
        CoverThumbnails thumbnails(QString::fromStdString(cache.path().string()));

        struct Step {
            const char* name;
            std::function<void()> change;
            QColor colour; // invalid: no cover
        };
        const std::vector<Step> steps = {
            {"no cover", [] {}, QColor()},
            // The file is known to have none: while it and its folder stay as they were, it is
            // not read again, so a picture slipped in unseen does not show.
            {"a folder picture slipped in",
             [&] {
                 const auto folderTime = std::filesystem::last_write_time(dir.path());
                 dir.write("Folder.png", pictureBytes(Qt::green, 300, 150, "PNG"));
                 std::filesystem::last_write_time(dir.path(), folderTime);
             },
             QColor()},
            {"a folder picture added",
             [&] {
                 ageFile(dir.path());
                 dir.write("Folder.png", pictureBytes(Qt::green, 300, 150, "PNG"));
             },
             Qt::green},
            {"an embedded cover set",
             [&] {
                 ageFile(file);
                 QVERIFY(
                     SetEmbeddedCover(file.string(), pictureBytes(Qt::red, 200, 100, "JPG")).ok);
             },
             Qt::red},
            {"the cover replaced",
             [&] {
                 ageFile(file);
                 QVERIFY(
                     SetEmbeddedCover(file.string(), pictureBytes(Qt::blue, 200, 100, "PNG")).ok);
             },
             Qt::blue},
        };
        const QString cached = thumbnails.CacheFile(path, 48);
        for (const Step& step : steps) {
            step.change();
            const QImage first = thumbnails.Thumbnail(path, 48);
            if (!step.colour.isValid()) {
                QVERIFY2(first.isNull(), step.name);
                QVERIFY2(QFileInfo::exists(cached), step.name);
                continue;
            }
            QVERIFY2(!first.isNull(), step.name);
            QCOMPARE(first.width(), 48);
            QCOMPARE(first.height(), 24);
            QVERIFY2(qAbs(qRed(centre(first)) - step.colour.red()) < 40 &&
                         qAbs(qBlue(centre(first)) - step.colour.blue()) < 40,
                     step.name);
            // One thumbnail per file and size: the one of the file as it was is gone.
            QCOMPARE(QDir(thumbnails.Folder()).entryList(QDir::Files),
                     QStringList{QFileInfo(cached).fileName()});
            // The second time the cache answers: its picture stands in for the cover.
            QImage marked(cached, "PNG");
            marked.fill(Qt::white);
            QVERIFY(marked.save(cached, "PNG"));
            QCOMPARE(centre(thumbnails.Thumbnail(path, 48)), centre(marked));
        }
    }

    // Past its limit the cache loses the thumbnails used longest ago, down to three quarters of
    // the limit; one just shown again counts as new.
    void thumbnailCacheIsBounded() {
        TempDir dir;
        TempDir cache;
        const QString folder = QString::fromStdString(cache.path().string());
        CoverThumbnails unbounded(folder, qint64(1) << 40);
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::yellow};
        std::vector<QString> paths;
        std::vector<qint64> sizes;
        for (int i = 0; i < 6; ++i) {
            const std::string name = "album" + std::to_string(i);
            const QString path =
                QString::fromStdString(dir.write(name + "/a.mp3", mp3File()).string());
            dir.write(name + "/cover.png", pictureBytes(colours[i], 64, 64, "PNG"));
            QVERIFY(!unbounded.Thumbnail(path, 48).isNull());
            const std::filesystem::path cached = unbounded.CacheFile(path, 48).toStdString();
            // Used longest ago first: album0 ten hours ago, album5 five.
            std::filesystem::last_write_time(cached, std::filesystem::file_time_type::clock::now() -
                                                         std::chrono::hours(10 - i));
            paths.push_back(path);
            sizes.push_back(static_cast<qint64>(std::filesystem::file_size(cached)));
        }
        QVERIFY(!unbounded.Thumbnail(paths[0], 48).isNull()); // album0 shown again
        const qint64 kept = sizes[0] + sizes[4] + sizes[5];
        CoverThumbnails bounded(folder, (kept * 4 + 2) / 3);
        bounded.Prune();
        for (int i = 0; i < 6; ++i)
            QCOMPARE(QFileInfo::exists(bounded.CacheFile(paths[i], 48)), i == 0 || i >= 4);
        // Within the limit nothing goes.
        bounded.Prune();
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 3);
    }

    // The Large Icons view asks only for the items on screen and shows their covers once the
    // worker has read them; until then (and without a cover) the generic icon stands.
    void largeIconsReadCoversOffTheWindowThread() {
        TempDir music;
        TempDir cache;
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        const std::string withCover = music.write("with.mp3", mp3File()).string();
        QVERIFY(SetEmbeddedCover(withCover, pictureBytes(Qt::red, 64, 64, "PNG")).ok);
        music.write("without.mp3", mp3File());
        ItemFacts item = facts("With", "Group");
        item.directory = music.path().string() + "/";
        item.fileName = "with.mp3";
        const int coverItem = builder.add(item).itemId;
        item.title = "Without";
        item.fileName = "without.mp3";
        const int plainItem = builder.add(item).itemId;
        // The two items, then many the catalogue does not hold, which show with no title.
        ListedKeys rows;
        for (int i = -2; i < 3000; ++i) {
            rows.itemIds.push_back(i == -2 ? coverItem : i == -1 ? plainItem : 100000 + i);
            rows.foldedEnds.push_back(0);
        }

        ItemListModel model;
        model.SetItemReader([&catalogue](std::span<const int> ids) {
            return ReadListedItems(catalogue.connection, ids);
        });
        model.AppendBatch(model.CurrentRun(), std::move(rows));
        QItemSelectionModel selection(&model);
        ItemIconView view(&model, &selection);
        CoverIconLoader loader(nullptr,
                               CoverThumbnails(QString::fromStdString(cache.path().string())));
        const QString cataloguePath = QString::fromStdString(catalogue.path().string());
        view.SetCoverSource(&loader, [&] { return cataloguePath; });
        view.SetItemStyle(0);
        view.resize(500, 300);
        QSignalSpy ready(&loader, &CoverIconLoader::iconReady);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY_WITH_TIMEOUT(!loader.Icon(cataloguePath, coverItem, 48).isNull(), 10000);
        QVERIFY(loader.Icon(cataloguePath, plainItem, 48).isNull());
        loader.WaitForIdle();
        QCoreApplication::processEvents();
        // A screenful, not the whole list, was asked for.
        QVERIFY(ready.count() >= 2);
        QVERIFY2(ready.count() < 200, qPrintable(QString::number(ready.count())));

        // The item without a cover is not read again on the next paint; once its file has
        // been given one and the view told so, the cover shows.
        const int answered = ready.count();
        view.viewport()->repaint();
        loader.WaitForIdle();
        QCoreApplication::processEvents();
        QCOMPARE(ready.count(), answered);
        QVERIFY(SetEmbeddedCover(music.file("without.mp3").string(),
                                 pictureBytes(Qt::blue, 64, 64, "PNG"))
                    .ok);
        view.ReloadCovers();
        QTRY_VERIFY_WITH_TIMEOUT(!loader.Icon(cataloguePath, plainItem, 48).isNull(), 10000);
    }

    // Properties shows the cover beside the fields; Set cover embeds the chosen picture as it is,
    // Remove cover takes it out again and the folder's picture shows.
    void propertiesSetsAndRemovesTheCover_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("MP3") << static_cast<int>(AudioFormat::Mpeg);
        QTest::newRow("Ogg Vorbis") << static_cast<int>(AudioFormat::OggVorbis);
    }

    void propertiesSetsAndRemovesTheCover() {
        QFETCH(int, format);
        TempDir music;
        TempCatalogue catalogue;
        CatalogueBuilder builder(catalogue.connection);
        std::string bytes = mp3File();
        std::string name = "song.mp3";
        if (format != static_cast<int>(AudioFormat::Mpeg)) {
            AudioRecipe recipe;
            recipe.format = static_cast<AudioFormat>(format);
            recipe.seconds = 1;
            TempDir encoded;
            const auto made = EncodeAudio(encoded.path(), "song", recipe);
            if (made.empty())
                QSKIP("the encoder is missing");
            bytes = readFile(made);
            name = "song" + AudioFormatExtension(recipe.format);
        }
        const std::filesystem::path file = music.write(name, bytes);
        music.write("cover.jpg", pictureBytes(Qt::green, 40, 40, "JPG"));
        const std::string picture = pictureBytes(Qt::red, 300, 300, "PNG");
        TempDir pictures;
        const auto chosen = pictures.write("new.png", picture);
        ItemFacts item = facts("Song", "Group");
        item.directory = music.path().string() + "/";
        item.fileName = name;
        builder.add(item);

        WindowFixture window;
        QVERIFY(window.open(catalogue.path()));
        window.frame->ShowProperties();
        CPropertiesWindow* properties = window.frame->PropertiesWindow();
        QVERIFY(properties);
        CoverPanel* cover = properties->coverPanel();
        QCOMPARE(cover->sourceLabel()->text(), QString("cover.jpg"));
        QVERIFY(!cover->pictureButton()->icon().isNull());
        QVERIFY(!cover->removeButton()->isEnabled());

        window.prompter.openFile = QString::fromStdString(chosen.string());
        QSignalSpy changed(cover, &CoverPanel::coverChanged);
        QTest::mouseClick(cover->setButton(), Qt::LeftButton);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(cover->sourceLabel()->text(), QString("Embedded"));
        QCOMPARE(ReadEmbeddedCover(file.string())->bytes, picture);
        QVERIFY(cover->removeButton()->isEnabled());

        QTest::mouseClick(cover->removeButton(), Qt::LeftButton);
        QCOMPARE(changed.count(), 2);
        QVERIFY(!ReadEmbeddedCover(file.string()).has_value());
        QCOMPARE(cover->sourceLabel()->text(), QString("cover.jpg"));

        // A picture that is no picture is refused with the reason, the file untouched.
        const auto text = pictures.write("notes.png", "just text");
        window.prompter.openFile = QString::fromStdString(text.string());
        const std::string before = readFile(file);
        QTest::mouseClick(cover->setButton(), Qt::LeftButton);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(readFile(file), before);
        QVERIFY(!window.prompter.messages.isEmpty());
    }
};

int RunCoverTests(int argc, char** argv) {
    CoverTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "cover_test.moc"

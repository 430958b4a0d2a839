#include "chart_files.h"

#include "chart_painter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace tunebay {

namespace {

constexpr qreal kPictureWidth = 1200;

// Black on white, whatever the desktop's colours: a file is read elsewhere.
QPalette filePalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    return palette;
}

QByteArray svgPicture(const std::vector<StatisticsChart>& charts, const QSizeF& size) {
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size.toSize());
    generator.setViewBox(QRectF(QPointF(0, 0), size));
    generator.setTitle(QStringLiteral("Statistics"));
    QPainter painter(&generator);
    PaintCharts(painter, QRectF(QPointF(0, 0), size), charts, filePalette());
    painter.end();
    return buffer.data();
}

QByteArray pngPicture(const std::vector<StatisticsChart>& charts, const QSizeF& size) {
    QImage image(size.toSize(), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintCharts(painter, QRectF(QPointF(0, 0), size), charts, filePalette());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

bool WriteChartsFile(const std::string& path, const std::vector<StatisticsChart>& charts,
                     std::string& error) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        error = "charts need the graphical part of Qt";
        return false;
    }
    const QString name = QString::fromStdString(path);
    const QString suffix = QFileInfo(name).suffix().toLower();
    const QSizeF size = ChartsSize(charts, kPictureWidth);
    QByteArray picture;
    if (suffix == QLatin1String("svg"))
        picture = svgPicture(charts, size);
    else if (suffix == QLatin1String("png"))
        picture = pngPicture(charts, size);
    else {
        error = "the chart file must end in .svg or .png";
        return false;
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(picture) != picture.size() ||
        !file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace tunebay

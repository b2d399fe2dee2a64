// Takes a picture of the whole X screen and counts the pixels of given
// colours, so that a script driving the real program can check what the
// window shows.
//   quillmere-screen-check OUT.png [R,G,B[:MIN]]...
// Writes the picture to OUT.png, prints one line per colour with its pixel
// count, and exits with 1 when a colour has fewer than MIN pixels (default
// 50), with 2 when the screen cannot be read.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QStringList>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: quillmere-screen-check OUT.png [R,G,B[:MIN]]...\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "no screen\n");
        return 2;
    }
    const QImage image = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || !image.save(args.first())) {
        std::fprintf(stderr, "cannot grab the screen or write %s\n", qPrintable(args.first()));
        return 2;
    }
    static const QRegularExpression spec(QStringLiteral("^(\\d+),(\\d+),(\\d+)(?::(\\d+))?$"));
    int missing = 0;
    for (const QString& arg : args.mid(1)) {
        const auto m = spec.match(arg);
        if (!m.hasMatch()) {
            std::fprintf(stderr, "not a colour: %s\n", qPrintable(arg));
            return 2;
        }
        const QRgb wanted =
            qRgb(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const long least = m.captured(4).isEmpty() ? 50 : m.captured(4).toLong();
        long count = 0;
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                count += (line[x] & 0xffffffu) == (wanted & 0xffffffu) ? 1 : 0;
            }
        }
        std::printf("%s %ld\n", qPrintable(arg), count);
        if (count < least) {
            ++missing;
        }
    }
    return missing == 0 ? 0 : 1;
}

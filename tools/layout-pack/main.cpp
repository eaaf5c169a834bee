// kema_layout_pack LAYOUT.json OUT.layout: validates a layout file and writes its packed form.
#include "report/Layout.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kema_layout_pack LAYOUT.json OUT.layout\n");
        return 2;
    }
    const auto layout = kema::report::loadLayoutFile(QFile::decodeName(argv[1]));
    if (!layout) {
        std::fprintf(stderr, "%s\n", qPrintable(layout.error().description));
        return 1;
    }
    QSaveFile out(QFile::decodeName(argv[2]));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(kema::report::packLayout(*layout.value())) < 0 || !out.commit()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}

// zorvel-gen-bookmarks COUNT PATH [SEED]: writes a generated Chrome-style bookmark
// export with COUNT bookmarks to PATH (the same bytes for the same arguments).

#include "ChromeExportGenerator.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s COUNT PATH [SEED]\n", argv[0]);
        return 2;
    }
    const int count = std::atoi(argv[1]);
    if (count < 0) {
        std::fprintf(stderr, "COUNT must not be negative\n");
        return 2;
    }
    const QByteArray data = argc == 4
                                ? GenerateChromeExport(count, std::strtoull(argv[3], nullptr, 10))
                                : GenerateChromeExport(count);
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%d bookmarks, %lld bytes\n", count, static_cast<long long>(data.size()));
    return 0;
}

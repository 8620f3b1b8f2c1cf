// ReadINI of one key in a 250-line file against the bare cost of reading that file.
#include "BenchSummary.h"
#include "INIfunc.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct IniFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("pupil.ini"));

    IniFixture()
    {
        // 250 lines in 10 sections; the key looked up is in the last one.
        QByteArray bytes;
        for (int s = 0; s < 10; ++s) {
            bytes += "[Sectie" + QByteArray::number(s) + "]\r\n";
            for (int k = 0; k < 24; ++k)
                bytes += "Module " + QByteArray::number(k) + " Test=" + QByteArray::number(5 + k % 5) + ".5\r\n";
        }
        bytes += "[Resultaten]\r\nEindtoets=8.5\r\n";
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the benchmark file");
    }
};

IniFixture& fixture()
{
    static IniFixture instance;
    return instance;
}

void BM_ReadINI(benchmark::State& state)
{
    const QString& path = fixture().path;
    const QString section = QStringLiteral("resultaten");
    const QString key = QStringLiteral("EINDTOETS");
    for (auto _ : state) {
        QString value = ReadINI(path, section, key, QString());
        benchmark::DoNotOptimize(value);
    }
    if (ReadINI(path, section, key, QString()) != QLatin1String("8.5"))
        state.SkipWithError("wrong value read");
}
BENCHMARK(BM_ReadINI)->UseRealTime()->Apply(Repeated);

void BM_BareRead(benchmark::State& state)
{
    const QByteArray path = QFile::encodeName(fixture().path);
    for (auto _ : state)
        BareRead(path.constData());
}
BENCHMARK(BM_BareRead)->UseRealTime()->Apply(Repeated);

} // namespace

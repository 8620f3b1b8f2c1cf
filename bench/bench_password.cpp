// The cost of one login's password check, alone and with a second check on the other core, and
// of the cost that older settings files still hold (2 passes, 19 MiB) for comparison.
#include "BenchSummary.h"
#include "TeacherPassword.h"

#include <benchmark/benchmark.h>

namespace {

const QString Typed = QStringLiteral("Geheim 2024");
// Made by the settings window before the cost was raised; the password is Typed.
const QString EarlierHash =
    QStringLiteral("$argon2id$v=19$m=19456,t=2,p=1$KIIwtjhBEAVZ6FYy1rG63A$K/7HRRLHOP9asDaDQBKgG3u6H2tO4YuZ92zZBmOX4wg");

void check(benchmark::State& state, const QString& stored)
{
    for (auto _ : state) {
        bool admitted = PasswordMatches(stored, Typed);
        benchmark::DoNotOptimize(admitted);
    }
}

const QString& freshHash()
{
    static const QString stored = StoredPasswordForm(Typed);
    return stored;
}

void BM_LoginCheck(benchmark::State& state)
{
    if (!PasswordMatches(freshHash(), Typed))
        state.SkipWithError("the password does not match its own hash");
    check(state, freshHash());
}
BENCHMARK(BM_LoginCheck)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

// Two teachers logging in at once on a 2-core PC: each check has one core.
void BM_LoginCheckBesideAnother(benchmark::State& state)
{
    check(state, freshHash());
}
BENCHMARK(BM_LoginCheckBesideAnother)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Threads(2)
    ->Setup([](const benchmark::State&) { freshHash(); })
    ->Apply(Repeated);

void BM_LoginCheckEarlierCost(benchmark::State& state)
{
    if (!PasswordMatches(EarlierHash, Typed))
        state.SkipWithError("the earlier hash does not match");
    check(state, EarlierHash);
}
BENCHMARK(BM_LoginCheckEarlierCost)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

} // namespace

// Listing benchmark: Form1's section listing against appending the same names straight to a list.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Form1.h"
#include "ListBoxStandIn.h"
#include "StandIn.h"

namespace {

using platform::Text;
using platform::host::ListBoxStandIn;
using platform::host::Platform;

// What the profile read delivers for names of `nameLength` bytes filling `bytes` bytes: each name
// with its NUL, then the closing NUL; the count is every byte before the closing NUL.
struct Delivery {
    std::string buffer;
    std::int32_t count = 0;
    std::vector<Text> names;
};

Delivery Fill(std::size_t bytes, std::size_t nameLength) {
    Delivery d;
    const std::size_t names = (bytes - 1) / (nameLength + 1);
    for (std::size_t i = 0; i < names; ++i) {
        const std::string name(nameLength, static_cast<char>('a' + i % 26));
        d.buffer += name;
        d.buffer += '\0';
        d.names.push_back(*platform::FromProfileText(name));
    }
    d.count = static_cast<std::int32_t>(d.buffer.size());
    d.buffer += '\0';
    return d;
}

// The stand-in's read hands over the prepared bytes, as the platform copies its list out.
void Deliver(const Delivery& d) {
    Platform().Reset();
    Platform().reader = [&d](const char*, const char*, const char*, char* out, std::uint32_t size) {
        std::memcpy(out, d.buffer.data(), std::min<std::size_t>(d.buffer.size(), size));
        return d.count;
    };
}

// The list is emptied, and the stand-in's call log with it, outside the timing in both variants.
void Empty(benchmark::State& state, ListBoxStandIn& list) {
    state.PauseTiming();
    list.items.clear();
    Platform().calls.clear();
    state.ResumeTiming();
}

void Counters(benchmark::State& state, const Delivery& d) {
    state.counters["names"] = static_cast<double>(d.names.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * d.count);
}

void BM_Listing(benchmark::State& state) {
    const Delivery d =
        Fill(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    Deliver(d);
    pressavo::Form1 form;
    ListBoxStandIn list;
    for (auto _ : state) {
        Empty(state, list);
        Text section = u"Ports";
        benchmark::DoNotOptimize(form.ProfileLoadWinIniList(list, section));
    }
    if (list.items != d.names) state.SkipWithError("the listing did not list the delivered names");
    Platform().Reset();  // the reader refers to this run's delivery
    Counters(state, d);
}

void BM_Direct(benchmark::State& state) {
    const Delivery d =
        Fill(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    ListBoxStandIn list;
    for (auto _ : state) {
        Empty(state, list);
        for (const Text& name : d.names) list.AddItem(name);
        benchmark::DoNotOptimize(list.ListCount());
    }
    Counters(state, d);
}

// bytes: how much of the 8102-byte read the names fill; name: each name's length in bytes.
void Cases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"bytes", "name"});
    b->Args({8102, 1});     // one-character names
    b->Args({8102, 0});     // empty names: the most items the read can give
    b->Args({8102, 2000});  // a few long names
    b->Args({4051, 0});     // half the read, for the scaling
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_Listing)->Apply(Cases);
BENCHMARK(BM_Direct)->Apply(Cases);

}  // namespace

BENCHMARK_MAIN();

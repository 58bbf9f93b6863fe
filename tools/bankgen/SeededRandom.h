#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace bankgen {

// The generator's only source of chance. The standard distributions are free to
// differ between standard libraries, so the few draws needed are made here
// from the engine's raw output: the same seed gives the same whole-number draws
// everywhere (logUniform goes through the C library's exp and log).
class SeededRandom
{
public:
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}

    // Mixes a seed with a stream number (say, a question index) into a seed
    // whose draws do not overlap those of neighbouring stream numbers.
    static std::uint64_t mix(std::uint64_t seed, std::uint64_t stream)
    {
        std::uint64_t z = seed ^ (stream * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    std::uint64_t next() { return engine_(); }
    // A whole number in [0, n); n > 0.
    int below(int n) { return int(engine_() % std::uint64_t(n)); }
    // A whole number in [lo, hi].
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    // A number in [0, 1).
    double unit() { return double(engine_() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }
    // A number in [lo, hi] whose logarithm is uniform: many small, few large.
    int logUniform(int lo, int hi)
    {
        const double v =
            std::exp(std::log(double(lo)) + unit() * (std::log(double(hi)) - std::log(double(lo))));
        return int(v);
    }
    template <typename T> const T& pick(const std::vector<T>& items)
    {
        return items[std::size_t(below(int(items.size())))];
    }

private:
    std::mt19937_64 engine_;
};

} // namespace bankgen

// Prints Google Benchmark JSON results as a table of each figure beside the floor
// (the bare open-find-copy-close of one string) measured in the same run.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::cerr << "usage: tscore_bench_table RESULTS.json\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in)
    {
        std::cerr << "tscore_bench_table: cannot read " << argv[1] << "\n";
        return 1;
    }
    nlohmann::json results;
    try
    {
        in >> results;
    }
    catch (const std::exception& e)
    {
        std::cerr << "tscore_bench_table: " << argv[1] << " is not benchmark JSON: " << e.what() << "\n";
        return 1;
    }

    const auto nanoseconds = [](const nlohmann::json& b)
    {
        const double t = b.value("real_time", 0.0);
        const std::string unit = b.value("time_unit", "ns");
        return unit == "us" ? t * 1e3 : unit == "ms" ? t * 1e6 : unit == "s" ? t * 1e9 : t;
    };

    double floor = 0.0;
    for (const auto& b : results["benchmarks"])
        if (b.value("name", "").rfind("BM_Floor", 0) == 0 && b.value("run_type", "iteration") != "aggregate")
            floor = nanoseconds(b);
    if (floor <= 0.0)
    {
        std::cerr << "tscore_bench_table: no floor benchmark in the results\n";
        return 1;
    }

    std::printf("%-58s %12s %10s %s\n", "benchmark", "ns/op", "x floor", "counters");
    for (const auto& b : results["benchmarks"])
    {
        if (b.value("run_type", "iteration") == "aggregate")
            continue;
        const double ns = nanoseconds(b);
        std::string counters;
        for (const auto& [key, value] : b.items())
        {
            static const char* known[] = {"name",           "run_name",         "run_type",
                                          "repetitions",    "repetition_index", "threads",
                                          "iterations",     "real_time",        "cpu_time",
                                          "time_unit",      "family_index",     "per_family_instance_index",
                                          "aggregate_name", "aggregate_unit"};
            bool isKnown = false;
            for (const char* k : known)
                isKnown = isKnown || key == k;
            if (!isKnown && value.is_number())
            {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%s=%.3g ", key.c_str(), value.get<double>());
                counters += buf;
            }
        }
        std::printf("%-58s %12.1f %10.3f %s\n", b.value("name", "?").c_str(), ns, ns / floor, counters.c_str());
    }
    return 0;
}

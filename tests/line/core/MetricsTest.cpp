// The figures a Prometheus server scrapes, byte for byte as it parses them, and counts that
// stay exact while many threads add to them.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "line/core/Metrics.h"

namespace line {
namespace {

TEST(Metrics, WritesTheTextFormatAndCountsFromManyThreads) {
  MetricsRegistry registry;
  Counter& created = registry.CounterOf("varnex_records_total", "Records.", {{"status", "201"}});
  registry.CounterOf("varnex_records_total", "ignored", {{"status", "400"}}).Add(2);
  Histogram& latency = registry.HistogramOf("varnex_seconds", "Time\\n taken\n.", {0.01, 0.1});
  registry.GaugeOf("varnex_open", "Open.", {{"path", "a\"b\\c\nd"}}).Set(3);
  registry.GaugeFrom("varnex_bytes", "Size.", [] { return 1.5e12; });
  registry.GaugeFrom("varnex_broken", "Unreadable.",
                     []() -> double { throw std::runtime_error("x"); });
  EXPECT_EQ(&registry.CounterOf("varnex_records_total", "", {{"status", "201"}}), &created);

  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        created.Add();
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (double seconds : {0.01, 0.05, 0.1, 0.5, 0.25}) {  // a bound counts into its bucket
    latency.Observe(seconds);
  }
  EXPECT_EQ(registry.Text(),
            "# HELP varnex_records_total Records.\n"
            "# TYPE varnex_records_total counter\n"
            "varnex_records_total{status=\"201\"} 40000\n"
            "varnex_records_total{status=\"400\"} 2\n"
            "# HELP varnex_seconds Time\\\\n taken\\n.\n"
            "# TYPE varnex_seconds histogram\n"
            "varnex_seconds_bucket{le=\"0.01\"} 1\n"
            "varnex_seconds_bucket{le=\"0.1\"} 3\n"
            "varnex_seconds_bucket{le=\"+Inf\"} 5\n"
            "varnex_seconds_sum 0.91\n"
            "varnex_seconds_count 5\n"
            "# HELP varnex_open Open.\n"
            "# TYPE varnex_open gauge\n"
            "varnex_open{path=\"a\\\"b\\\\c\\nd\"} 3\n"
            "# HELP varnex_bytes Size.\n"
            "# TYPE varnex_bytes gauge\n"
            "varnex_bytes 1500000000000\n"
            "# HELP varnex_broken Unreadable.\n"
            "# TYPE varnex_broken gauge\n"
            "varnex_broken NaN\n");

  EXPECT_THROW(registry.CounterOf("varnex-records", ""), std::invalid_argument);
  EXPECT_THROW(registry.CounterOf("varnex_x", "", {{"le", "1"}}), std::invalid_argument);
  EXPECT_THROW(registry.GaugeOf("varnex_records_total", ""), std::invalid_argument);
}

}  // namespace
}  // namespace line

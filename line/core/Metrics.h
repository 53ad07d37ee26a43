// The service's figures for a Prometheus server, in its text exposition format (0.0.4):
// counters, gauges and histograms with labels. Updating one is a few atomic operations, so
// the request and store threads count without waiting for each other; a scrape reads them all.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace line {

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

// Label names and values, in the order they are printed.
using MetricLabels = std::vector<std::pair<std::string, std::string>>;

class Counter {
 public:
  void Add(uint64_t count = 1) { value_.fetch_add(count, std::memory_order_relaxed); }
  uint64_t Value() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<uint64_t> value_{0};
};

class Gauge {
 public:
  void Set(double value) { value_.store(value, std::memory_order_relaxed); }
  void Add(double delta) { value_.fetch_add(delta, std::memory_order_relaxed); }
  double Value() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<double> value_{0};
};

// Observations counted into buckets by upper bound (in seconds for times).
class Histogram {
 public:
  explicit Histogram(std::vector<double> bounds);  // ascending; +Inf is added
  void Observe(double value);

  struct Snapshot {
    std::vector<double> bounds;
    std::vector<uint64_t> cumulative;  // per bound, then +Inf (= count)
    double sum = 0;
  };
  Snapshot Read() const;

 private:
  std::vector<double> bounds_;
  std::unique_ptr<std::atomic<uint64_t>[]> counts_;  // per bound, then +Inf
  std::atomic<double> sum_{0};
};

// Bounds for latencies from a millisecond to ten seconds.
std::vector<double> LatencyBounds();

class MetricsRegistry {
 public:
  // The metric of that name and labels, made on first use (later calls return the same one;
  // a name keeps its first help text and type). Names and label names follow Prometheus's
  // rules; a wrong one is a mistake in the program (std::invalid_argument).
  Counter& CounterOf(const std::string& name, const std::string& help, MetricLabels labels = {});
  Gauge& GaugeOf(const std::string& name, const std::string& help, MetricLabels labels = {});
  Histogram& HistogramOf(const std::string& name, const std::string& help,
                         std::vector<double> bounds, MetricLabels labels = {});
  // A gauge whose value is read when scraped (a file's size, a pool's connections).
  void GaugeFrom(const std::string& name, const std::string& help, std::function<double()> read);

  // Every metric, families in the order they were first made.
  std::string Text() const;

 private:
  enum class Kind { Counter, Gauge, Histogram };
  struct Series {
    MetricLabels labels;
    std::unique_ptr<Counter> counter;
    std::unique_ptr<Gauge> gauge;
    std::unique_ptr<Histogram> histogram;
    std::function<double()> read;
  };
  struct Family {
    std::string name;
    std::string help;
    Kind kind;
    std::deque<Series> series;
  };
  Series& Find(const std::string& name, const std::string& help, Kind kind,
               const MetricLabels& labels);

  mutable std::mutex lock_;
  std::deque<Family> families_;
};

}  // namespace line

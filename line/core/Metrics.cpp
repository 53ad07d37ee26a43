#include "line/core/Metrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace line {
namespace {

bool ValidName(const std::string& name, bool colons) {
  auto first = [colons](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (colons && c == ':');
  };
  return !name.empty() && first(name[0]) && std::all_of(name.begin(), name.end(), [&](char c) {
    return first(c) || (c >= '0' && c <= '9');
  });
}

// The shortest text that reads back as the same number; whole numbers without a fraction.
std::string Number(double value) {
  if (std::isnan(value)) {
    return "NaN";
  }
  if (std::isinf(value)) {
    return value > 0 ? "+Inf" : "-Inf";
  }
  char text[400];
  bool whole = value == std::trunc(value) && std::fabs(value) < 9007199254740992.0;  // 2^53
  auto [end, error] = whole
                          ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                          : std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

std::string Escaped(const std::string& text, bool quotes) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' && quotes) {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out;
}

std::string LabelText(const MetricLabels& labels, const std::string& le = {}) {
  if (labels.empty() && le.empty()) {
    return {};
  }
  std::string text = "{";
  for (const auto& [name, value] : labels) {
    text += name + "=\"" + Escaped(value, true) + "\",";
  }
  if (!le.empty()) {
    text += "le=\"" + le + "\",";
  }
  text.back() = '}';
  return text;
}

}  // namespace

Histogram::Histogram(std::vector<double> bounds)
    : bounds_(std::move(bounds)), counts_(new std::atomic<uint64_t>[bounds_.size() + 1]) {
  if (!std::is_sorted(bounds_.begin(), bounds_.end())) {
    throw std::invalid_argument("histogram bounds must ascend");
  }
  for (size_t i = 0; i <= bounds_.size(); ++i) {
    counts_[i].store(0, std::memory_order_relaxed);
  }
}

void Histogram::Observe(double value) {
  size_t bucket = static_cast<size_t>(std::lower_bound(bounds_.begin(), bounds_.end(), value) -
                                      bounds_.begin());
  counts_[bucket].fetch_add(1, std::memory_order_relaxed);
  sum_.fetch_add(value, std::memory_order_relaxed);
}

Histogram::Snapshot Histogram::Read() const {
  Snapshot snapshot{bounds_, {}, sum_.load(std::memory_order_relaxed)};
  uint64_t total = 0;
  for (size_t i = 0; i <= bounds_.size(); ++i) {
    total += counts_[i].load(std::memory_order_relaxed);
    snapshot.cumulative.push_back(total);
  }
  return snapshot;
}

std::vector<double> LatencyBounds() {
  return {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};
}

MetricsRegistry::Series& MetricsRegistry::Find(const std::string& name, const std::string& help,
                                               Kind kind, const MetricLabels& labels) {
  if (!ValidName(name, true) || std::any_of(labels.begin(), labels.end(), [](const auto& label) {
        return !ValidName(label.first, false) || label.first == "le";
      })) {
    throw std::invalid_argument("not a metric or label name: " + name);
  }
  auto family = std::find_if(families_.begin(), families_.end(),
                             [&](const Family& f) { return f.name == name; });
  if (family == families_.end()) {
    family = families_.insert(families_.end(), Family{name, help, kind, {}});
  } else if (family->kind != kind) {
    throw std::invalid_argument(name + " is a metric of another type");
  }
  for (Series& series : family->series) {
    if (series.labels == labels) {
      return series;
    }
  }
  return family->series.emplace_back(Series{labels, nullptr, nullptr, nullptr, nullptr});
}

Counter& MetricsRegistry::CounterOf(const std::string& name, const std::string& help,
                                    MetricLabels labels) {
  std::lock_guard guard(lock_);
  Series& series = Find(name, help, Kind::Counter, labels);
  if (!series.counter) {
    series.counter = std::make_unique<Counter>();
  }
  return *series.counter;
}

Gauge& MetricsRegistry::GaugeOf(const std::string& name, const std::string& help,
                                MetricLabels labels) {
  std::lock_guard guard(lock_);
  Series& series = Find(name, help, Kind::Gauge, labels);
  if (!series.gauge && !series.read) {
    series.gauge = std::make_unique<Gauge>();
  }
  if (!series.gauge) {
    throw std::invalid_argument(name + " is read when scraped");
  }
  return *series.gauge;
}

Histogram& MetricsRegistry::HistogramOf(const std::string& name, const std::string& help,
                                        std::vector<double> bounds, MetricLabels labels) {
  std::lock_guard guard(lock_);
  Series& series = Find(name, help, Kind::Histogram, labels);
  if (!series.histogram) {
    series.histogram = std::make_unique<Histogram>(std::move(bounds));
  }
  return *series.histogram;
}

void MetricsRegistry::GaugeFrom(const std::string& name, const std::string& help,
                                std::function<double()> read) {
  std::lock_guard guard(lock_);
  Series& series = Find(name, help, Kind::Gauge, {});
  series.gauge.reset();
  series.read = std::move(read);
}

std::string MetricsRegistry::Text() const {
  std::lock_guard guard(lock_);
  std::string text;
  for (const Family& family : families_) {
    static const char* const kTypes[] = {"counter", "gauge", "histogram"};
    text += "# HELP " + family.name + " " + Escaped(family.help, false) + "\n";
    text += "# TYPE " + family.name + " " + kTypes[static_cast<int>(family.kind)] + "\n";
    for (const Series& series : family.series) {
      if (series.histogram) {
        Histogram::Snapshot snapshot = series.histogram->Read();
        for (size_t i = 0; i < snapshot.cumulative.size(); ++i) {
          std::string le = i < snapshot.bounds.size() ? Number(snapshot.bounds[i]) : "+Inf";
          text += family.name + "_bucket" + LabelText(series.labels, le) + " " +
                  std::to_string(snapshot.cumulative[i]) + "\n";
        }
        text += family.name + "_sum" + LabelText(series.labels) + " " + Number(snapshot.sum) + "\n";
        text += family.name + "_count" + LabelText(series.labels) + " " +
                std::to_string(snapshot.cumulative.back()) + "\n";
        continue;
      }
      double value = std::nan("");  // a figure that cannot be read now
      if (series.counter) {
        value = static_cast<double>(series.counter->Value());
      } else if (series.gauge) {
        value = series.gauge->Value();
      } else {
        try {
          value = series.read();
        } catch (const std::exception&) {
        }
      }
      text += family.name + LabelText(series.labels) + " " + Number(value) + "\n";
    }
  }
  return text;
}

}  // namespace line

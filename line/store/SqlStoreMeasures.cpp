// Measurement statistics in the store: each group's new counted runs add their values to the
// sums of their station's item, limit pair and hour and move each station's items on; a run that
// arrives late (before the latest the station's item holds) finds its neighbours among the runs
// themselves. The reads combine whole hours' sums with the runs of a part of an hour at either
// end of a range.
#include <algorithm>
#include <charconv>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <unordered_map>

#include "line/core/JudgedSettings.h"
#include "line/core/RunRows.h"
#include "line/core/Timestamp.h"
#include "line/store/SqlStore.h"

namespace line {
namespace {

using Params = std::vector<SqlParam>;
using Sums = std::map<MeasureKey, MeasureSums>;
// SqlStore::WalkRuns as a station's book calls it.
using RunWalk = std::function<void(SqlSession&, const std::string&, int64_t, const std::string&,
                                   bool, int64_t, const std::function<bool(const RunRecord&)>&)>;

// Runs a late record's neighbour search reads at most on each side, in the writer's turn: an
// item a station's neighbouring runs lack (a catalogue changed) is not looked for further.
// The latest values read at most four runs per value asked for.
constexpr int64_t kNeighbourMost = 512;
constexpr int64_t kLargestPage = 1024;
// A stored counted run as the statistics read it: its rows (none when its document cannot be
// read, which a stored one always can).
RunRecord CountedRun(const std::string& station, int64_t startedMs, const std::string& id) {
  RunRecord run;
  run.station = station;
  run.startedMs = startedMs;
  run.id = id;
  run.counted = true;
  return run;
}

RunRecord StoredRows(const std::string& document, const std::string& station, int64_t startedMs,
                     const std::string& id) {
  RunRecord run = CountedRun(station, startedMs, id);
  if (std::optional<std::vector<RunRow>> rows = ReadRunRows(document)) {
    run.rows = std::move(*rows);
  }
  return run;
}

StationItems ItemsOfRow(const SqlResult& result) {
  return result.rows.empty() ? StationItems() : ItemsOf(result.Text(0, 0));
}

// A number as PostgreSQL reads it from an array text: the shortest text that reads back as the
// same double (counts below 2^53 are exact).
void AppendNumber(std::string& text, double value) {
  char number[32];
  auto [end, error] = std::to_chars(number, number + sizeof number, value);
  text.append(text.size() > 1 ? "," : "");
  text.append(error == std::errc() ? std::string_view(number, end - number) : "NaN");
}

// PostgreSQL's one parameter for all of the group's sums: a JSON array of rows (documents the
// store wrote hold valid UTF-8, so their names and units make valid JSON), each row's numbers
// one array text in MeasureHoursAdd's order.
std::string SumsRows(const Sums& sums) {
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& [key, s] : sums) {
    std::string numbers = "{";
    for (double value :
         {static_cast<double>(key.hourMs), static_cast<double>(s.count), s.sum, s.squares}) {
      AppendNumber(numbers, value);
    }
    for (const std::optional<double>& limit : {s.min, s.max}) {
      if (limit) {
        AppendNumber(numbers, *limit);
      } else {
        numbers.append(",NULL");
      }
    }
    for (double value : {static_cast<double>(s.outside), s.rangeSum, static_cast<double>(s.ranges),
                         s.leadRange, static_cast<double>(s.leads)}) {
      AppendNumber(numbers, value);
    }
    for (int64_t bin : s.bins) {
      AppendNumber(numbers, static_cast<double>(bin));
    }
    numbers += '}';
    rows.push_back({key.station, key.item, key.limits, s.unit, std::move(numbers)});
  }
  return rows.dump();
}

// The group's sums: SQLite a statement per row, PostgreSQL one for all (`rows`, from SumsRows).
void SendSums(SqlSession& session, Dialect dialect, const Sums& sums, const std::string& rows) {
  if (sums.empty()) {
    return;
  }
  if (dialect == Dialect::Postgres) {
    session.Send(Sql::MeasureHoursAdd, Params{rows});
    return;
  }
  for (const auto& [key, s] : sums) {
    auto optional = [](const std::optional<double>& value) {
      return value ? SqlParam{*value} : SqlParam{nullptr};
    };
    Params params{key.station, key.item,   key.limits, key.hourMs,      s.unit,
                  s.count,     s.sum,      s.squares,  optional(s.min), optional(s.max),
                  s.outside,   s.rangeSum, s.ranges,   s.leadRange,     s.leads};
    for (int64_t bin : s.bins) {
      params.emplace_back(bin);
    }
    session.Send(Sql::MeasureHoursAdd, params);
  }
}

// The stored latest value of a measured item as a point.
MeasurePoint LatestPoint(const ItemState& state) {
  MeasurePoint point;
  point.startedMs = state.streak.latestMs;
  point.runId = state.streak.latestId;
  point.value = state.value.value_or(0);
  std::tie(point.low, point.high) = ParseLimitsKey(state.streak.setting);
  point.unit = state.unit;
  return point;
}

// What one station's new counted runs (in `started` order) change, against its items' states.
class StationBook {
 public:
  StationBook(SqlSession& session, const std::string& station, StationItems& items,
              std::set<std::string> pending, std::function<int64_t()> keptFrom, RunWalk walk)
      : session_(session),
        station_(station),
        items_(items),
        pending_(std::move(pending)),
        keptFrom_(std::move(keptFrom)),
        walk_(std::move(walk)) {}

  void Add(const RunRecord& run, Sums& sums) {
    Add(run, MeasuredPoints(run), SettingsOf(run), sums);
  }
  // `points` and `settings`: the run's own.
  void Add(const RunRecord& run, const std::vector<std::pair<std::string, MeasurePoint>>& points,
           const std::vector<RunSetting>& settings, Sums& sums) {
    pending_.erase(run.id);
    bool late = false;
    for (const RunSetting& setting : settings) {
      auto found = items_.find(setting.item);
      late = late || (found != items_.end() &&
                      std::tie(run.startedMs, run.id) <
                          std::tie(found->second.streak.latestMs, found->second.streak.latestId));
    }
    // A run of a pruned day finds no neighbours: only its own values count.
    bool pruned = late && run.startedMs < keptFrom_();
    std::map<std::string, std::pair<std::optional<MeasurePoint>, int64_t>> before;
    std::map<std::string, std::pair<std::optional<MeasurePoint>, int64_t>> after;
    if (late && !pruned) {
      before = Neighbours(run, settings, false);
      after = Neighbours(run, settings, true);
    }
    for (const auto& [item, point] : points) {
      auto found = items_.find(item);
      std::optional<MeasurePoint> previous;
      std::optional<MeasurePoint> next;
      if (found != items_.end() && found->second.measured && !pruned) {
        bool itemLate = EarlierPoint(point, LatestPoint(found->second));
        if (itemLate) {
          previous = before[item].first;
          next = after[item].first;
        } else {
          previous = LatestPoint(found->second);
        }
      }
      if (next) {
        AddChanges(sums, PointChanges(station_, item, previous, point, next));
      } else {
        AddLatestPoint(sums, station_, item, previous ? &*previous : nullptr, point);
      }
    }
    for (const RunSetting& setting : settings) {
      auto [found, fresh] = items_.try_emplace(setting.item);
      ItemState& state = found->second;
      std::optional<SettingStreak> current;
      if (!fresh) {
        current = state.streak;
      }
      bool newest = fresh || std::tie(run.startedMs, run.id) >
                                 std::tie(state.streak.latestMs, state.streak.latestId);
      if (pruned && !newest) {
        continue;
      }
      const std::string& item = setting.item;
      int64_t latestMs = state.streak.latestMs;
      state.streak =
          NextStreak(current, setting.setting, run.startedMs, run.id, [&after, &item, latestMs] {
            auto at = after.find(item);
            return at != after.end() ? at->second.second : latestMs;
          });
      if (newest) {
        state.measured = setting.measured;
        state.unit = setting.unit;
        state.value.reset();
        for (const auto& [pointItem, point] : points) {
          if (pointItem == item) {
            state.value = point.value;
          }
        }
      }
      state.changed = true;
    }
  }

 private:
  // Each item's nearest run on one side of `run` that has the item: its value, and its start.
  std::map<std::string, std::pair<std::optional<MeasurePoint>, int64_t>> Neighbours(
      const RunRecord& run, const std::vector<RunSetting>& settings, bool later) {
    std::set<std::string> wanted;
    for (const RunSetting& setting : settings) {
      wanted.insert(setting.item);
    }
    std::map<std::string, std::pair<std::optional<MeasurePoint>, int64_t>> found;
    walk_(session_, station_, run.startedMs, run.id, later, kNeighbourMost,
          [&](const RunRecord& other) {
            if (pending_.count(other.id)) {
              return true;  // of this group, not counted yet
            }
            std::vector<std::pair<std::string, MeasurePoint>> points = MeasuredPoints(other);
            for (const RunSetting& setting : SettingsOf(other)) {
              if (!wanted.count(setting.item) || found.count(setting.item)) {
                continue;
              }
              auto& entry = found[setting.item];
              entry.second = other.startedMs;
              for (auto& [item, point] : points) {
                if (item == setting.item) {
                  entry.first = point;
                }
              }
            }
            return found.size() < wanted.size();
          });
    return found;
  }

  SqlSession& session_;
  const std::string& station_;
  StationItems& items_;
  std::set<std::string> pending_;
  std::function<int64_t()> keptFrom_;
  RunWalk walk_;
};

}  // namespace

void SqlStore::WalkRuns(SqlSession& session, const std::string& station, int64_t startedMs,
                        const std::string& id, bool later, int64_t most,
                        const std::function<bool(const RunRecord&)>& visit, int64_t firstPage,
                        bool measuredOnly) {
  int64_t read = 0;
  int64_t page = firstPage;
  std::string atId = id;
  while (read < most) {
    page = std::min(page, most - read);
    SqlResult result = session.Run(later ? Sql::MeasureRunsAfter : Sql::MeasureRunsBefore,
                                   Params{station, startedMs, atId, page});
    for (size_t i = 0; i < result.rows.size(); ++i) {
      startedMs = result.Int(i, 1);
      atId = result.Text(i, 2);
      RunRecord run = measuredOnly
                          ? MeasuredRun(session, result.TakeText(i, 0), station, startedMs, atId)
                          : StoredRows(documents_.Document(result.TakeText(i, 0), session), station,
                                       startedMs, atId);
      if (!visit(run)) {
        return;
      }
    }
    read += static_cast<int64_t>(result.rows.size());
    if (static_cast<int64_t>(result.rows.size()) < page) {
      return;
    }
    page = std::min<int64_t>(page * 4, kLargestPage);
  }
}

// The group is in station and time order.
SqlStore::MeasuredRuns SqlStore::MeasuredStations(const std::vector<Arrival>& group,
                                                  bool allStored) {
  MeasuredRuns stations;
  for (const Arrival& arrival : group) {
    if ((arrival.stored || allStored) && !arrival.restored && arrival.run->counted) {
      stations[arrival.run->station].push_back(&arrival);
    }
  }
  return stations;
}

MeasuredRowsCache::Rows SqlStore::MeasuredRows(SqlSession& session, std::string stored,
                                               const std::string& station, int64_t startedMs,
                                               const std::string& id) {
  MeasuredRowsCache::Rows rows = measuredRows_.Find(station, id);
  if (!rows) {
    RunRecord run =
        StoredRows(documents_.Document(std::move(stored), session), station, startedMs, id);
    rows = measuredRows_.Keep(station, id, run.rows);
  }
  return rows;
}

RunRecord SqlStore::MeasuredRun(SqlSession& session, std::string stored, const std::string& station,
                                int64_t startedMs, const std::string& id) {
  RunRecord run = CountedRun(station, startedMs, id);
  run.rows = *MeasuredRows(session, std::move(stored), station, startedMs, id);
  return run;
}

std::optional<SqlStore::MeasureWrites> SqlStore::WorkOutMeasures(
    SqlSession& session, const MeasuredRuns& stations,
    const std::map<std::string_view, const SqlResult*>& rows, std::optional<int64_t> keptFrom,
    bool aside) {
  struct NeedsStore {};
  auto kept = [&] {
    if (!keptFrom) {
      if (aside) {
        throw NeedsStore();
      }
      keptFrom = session.Run(Sql::KeptFrom).Int(0, 0);
    }
    return *keptFrom;
  };
  auto walk = [this, aside](SqlSession& s, const std::string& station, int64_t startedMs,
                            const std::string& id, bool later, int64_t most,
                            const std::function<bool(const RunRecord&)>& visit) {
    if (aside) {
      throw NeedsStore();
    }
    WalkRuns(s, station, startedMs, id, later, most, visit);
  };
  MeasureWrites writes;
  writes.stations.reserve(stations.size());
  int64_t settled = NowMs() + kDaySettleMs;
  try {
    for (const auto& [name, runs] : stations) {
      MeasureWrites::Station& out = writes.stations.emplace_back();
      out.name = name;
      const SqlResult& row = *rows.at(name);
      out.itemsStored = row.rows.empty() ? "" : row.Text(0, 0);
      out.items = itemsKept_.Take(out.name, out.itemsStored, ItemsOf);
      std::set<std::string> pending;
      for (const Arrival* arrival : runs) {
        pending.insert(arrival->run->id);
      }
      StationBook book(session, out.name, out.items, std::move(pending), kept, walk);
      for (const Arrival* arrival : runs) {
        book.Add(*arrival->run, arrival->prepared->points, arrival->prepared->settings,
                 writes.sums);
      }
      int64_t newest = std::numeric_limits<int64_t>::min();
      for (const auto& [item, state] : out.items) {
        newest = std::max(newest, state.streak.latestMs);
      }
      out.itemsWritten = ChangedItemsText(out.items);
      Sums& sums = writes.sums;
      auto first = sums.lower_bound({out.name, "", "", std::numeric_limits<int64_t>::min()});
      for (auto at = first; at != sums.end() && at->first.station == out.name; ++at) {
        // A day that may have been rolled up is marked changed.
        if (int64_t day = DayStart(at->first.hourMs, 0); day + kDayMs < settled) {
          writes.changedDays.insert(day);
        }
      }
      // The hour of the station's newest run stays open in its row; what the group adds to
      // other hours, and an open hour the station moved on from, go to measure_hours.
      int64_t openHour = newest == std::numeric_limits<int64_t>::min() ? newest : HourStart(newest);
      out.openText = row.rows.empty() ? "" : row.Text(0, 1);
      out.open = opensKept_.Take(out.name, out.openText, OpenSums);
      if (!out.open.empty() && out.open.begin()->first.hourMs != openHour) {
        AddChanges(sums, out.open);
        out.open.clear();
        out.openChanged = true;
      }
      for (auto at = sums.lower_bound({out.name, "", "", std::numeric_limits<int64_t>::min()});
           at != sums.end() && at->first.station == out.name;) {
        if (at->first.hourMs != openHour) {
          ++at;
          continue;
        }
        out.open[at->first] += at->second;
        out.openChanged = true;
        at = sums.erase(at);
      }
      if (out.openChanged) {
        out.openText = OpenText(out.open);
      }
    }
  } catch (const NeedsStore&) {
    return std::nullopt;
  }
  if (dialect_ == Dialect::Postgres) {
    writes.sumsRows = SumsRows(writes.sums);
  }
  return writes;
}

void SqlStore::SendMeasures(SqlSession& session, MeasureWrites& writes) {
  for (MeasureWrites::Station& station : writes.stations) {
    // Both texts in one write: a row rewritten once per group, not once per text.
    if (!station.itemsWritten.empty() || station.openChanged) {
      const std::string& items =
          station.itemsWritten.empty() ? station.itemsStored : station.itemsWritten;
      session.Send(Sql::MeasureStationSet, Params{station.name, items, station.openText});
    }
  }
  for (int64_t day : writes.changedDays) {
    session.Send(Sql::MeasureDayChanged, Params{day});
  }
  SendSums(session, dialect_, writes.sums, writes.sumsRows);
  for (MeasureWrites::Station& station : writes.stations) {
    std::string& items = station.itemsWritten.empty() ? station.itemsStored : station.itemsWritten;
    itemsKept_.Put(station.name, std::move(items), std::move(station.items));
    opensKept_.Put(station.name, std::move(station.openText), std::move(station.open));
  }
}

// The runs a store held before it kept measurement statistics, station by station in
// `started` order, as if each had just arrived.
void SqlStore::BackfillMeasures(SqlSession& session) {
  if (session.Run(Sql::MeasureBackfillPending).Int(0, 0) == 0) {
    return;
  }
  session.Run(Sql::MeasureDaysClear);
  SqlResult stationNames = session.Run(Sql::StationsAll);
  int64_t runs = 0;
  auto walk = [this](SqlSession& s, const std::string& station, int64_t startedMs,
                     const std::string& id, bool later, int64_t most,
                     const std::function<bool(const RunRecord&)>& visit) {
    WalkRuns(s, station, startedMs, id, later, most, visit);
  };
  for (size_t i = 0; i < stationNames.rows.size(); ++i) {
    MeasureWrites writes;
    MeasureWrites::Station& out = writes.stations.emplace_back();
    out.name = stationNames.Text(i, 0);
    SqlResult row = session.Run(Sql::MeasureItemsOfStation, Params{out.name});
    out.itemsStored = row.rows.empty() ? "" : row.Text(0, 0);
    out.items = itemsKept_.Take(out.name, out.itemsStored, ItemsOf);
    out.openChanged = true;  // every hour goes to measure_hours, the open hour starts empty
    StationBook book(
        session, out.name, out.items, {}, [] { return int64_t{0}; }, walk);
    WalkRuns(
        session, out.name, std::numeric_limits<int64_t>::min(), "", true,
        std::numeric_limits<int64_t>::max(),
        [&](const RunRecord& run) {
          book.Add(run, writes.sums);
          ++runs;
          return true;
        },
        kLargestPage);
    out.itemsWritten = ChangedItemsText(out.items);
    if (dialect_ == Dialect::Postgres) {
      writes.sumsRows = SumsRows(writes.sums);
    }
    SendMeasures(session, writes);
    session.Receive();
  }
  session.Run(Sql::MeasureBackfillDone);
  if (runs > 0) {
    problem_("measurement statistics of " + std::to_string(runs) +
             " counted runs stored before were computed");
  }
}

// SQLite answers each hour's row, oldest hour first: the hours are summed here per limit pair in
// one pass, the leads of a station's item's first hour told apart. PostgreSQL answers a row per
// limit pair with those leads apart already. The stations' open hours, each the latest hour of
// its station, come last, as hours.
std::vector<PairSums> SqlStore::HoursSum(SqlSession& session, int64_t fromMs, int64_t toMs,
                                         const std::string& station, const Sums& opens) {
  std::vector<PairSums> pairs;
  std::unordered_map<std::string, size_t> pairAt;
  std::unordered_map<std::string, int64_t> firstHours;  // of each station's item
  std::string key;  // station, item (and limits) of a row, its room reused
  // `hour`: a row of one hour, whose lead is the first one when the hour is its station's
  // item's first; else a pair's sums with the first lead apart.
  auto add = [&](const MeasureKey& row, const MeasureSums& sums, double firstLeadRange,
                 int64_t firstLeads, bool hour) {
    key.assign(row.station).append(1, '\x1f').append(row.item);
    auto first = firstHours.try_emplace(key, row.hourMs).first;
    first->second = std::min(first->second, row.hourMs);
    bool atFirstHour = hour && row.hourMs == first->second;
    key.append(1, '\x1f').append(row.limits);
    auto at = pairAt.find(key);
    if (at == pairAt.end()) {
      at = pairAt.emplace(key, pairs.size()).first;
      pairs.push_back({row, {}, 0, 0});
    }
    PairSums& pair = pairs[at->second];
    MeasureSums added = sums;
    added.leadRange = 0;
    added.leads = 0;
    pair.sums += added;
    (atFirstHour ? pair.firstLeadRange : pair.sums.leadRange) += sums.leadRange;
    (atFirstHour ? pair.firstLeads : pair.sums.leads) += sums.leads;
    pair.firstLeadRange += firstLeadRange;
    pair.firstLeads += firstLeads;
  };
  MeasureKey row;
  MeasureSums sums;
  session.EachRow(Sql::MeasureHoursSum, Params{fromMs, toMs, station}, [&](const SqlResult& r) {
    row.station = r.Text(0, 0);
    row.item = r.Text(0, 1);
    row.limits = r.Text(0, 2);
    row.hourMs = r.Int(0, 3);
    sums.unit = r.Text(0, 4);
    sums.count = r.Int(0, 5);
    sums.sum = r.Real(0, 6).value_or(0);
    sums.squares = r.Real(0, 7).value_or(0);
    sums.min = r.Real(0, 8);
    sums.max = r.Real(0, 9);
    sums.outside = r.Int(0, 10);
    sums.rangeSum = r.Real(0, 11).value_or(0);
    sums.ranges = r.Int(0, 12);
    sums.leadRange = r.Real(0, 13).value_or(0);
    sums.leads = r.Int(0, 14);
    for (size_t bin = 0; bin < kHistogramBins; ++bin) {
      sums.bins[bin] = r.Int(0, 17 + bin);
    }
    add(row, sums, r.Real(0, 15).value_or(0), r.Int(0, 16), dialect_ == Dialect::Sqlite);
  });
  for (const auto& [open, openSums] : opens) {
    if (open.hourMs >= fromMs && open.hourMs < toMs &&
        (station.empty() || open.station == station)) {
      add(open, openSums, 0, 0, true);
    }
  }
  return pairs;
}

// The open hours of every station.
SqlStore::Sums SqlStore::OpenHours(SqlSession& session) {
  Sums opens;
  session.EachRow(Sql::MeasureOpenHours, Params{""},
                  [&](const SqlResult& row) { AddChanges(opens, OpenSums(row.Text(0, 0))); });
  return opens;
}

// Each day from its row in measure_days while that is current. A day without one is summed
// from its hours and its row written for the next reader, unless a writer changed the day
// meanwhile (its version moved on).
std::vector<PairSums> SqlStore::DaysSum(SqlSession& session, int64_t fromMs, int64_t toMs,
                                        const std::string& station, const Sums& opens) {
  struct Day {
    int64_t version = 0;
    std::optional<std::string> text;  // when rolled up at its version
  };
  std::map<int64_t, Day> days;
  session.EachRow(Sql::MeasureDaysGet, Params{fromMs, toMs}, [&](const SqlResult& row) {
    Day& day = days[row.Int(0, 0)];
    day.version = row.Int(0, 1);
    if (row.Int(0, 2) == day.version) {
      day.text = row.Text(0, 3);
    }
  });
  line::DaysSum sum;
  for (int64_t dayMs = fromMs; dayMs < toMs; dayMs += kDayMs) {
    const Day& day = days[dayMs];
    if (day.text) {
      if (std::optional<std::vector<PairSums>> pairs = PairsOfDay(*day.text, station)) {
        sum.Add(*pairs);
        continue;
      }
    }
    std::vector<PairSums> pairs = HoursSum(session, dayMs, dayMs + kDayMs, "", opens);
    if (std::optional<std::string> text = DayText(pairs)) {
      try {
        Write([&](SqlSession& writer) {
          return writer.Run(Sql::MeasureDayRolled, Params{dayMs, day.version, *text}).changed;
        });
      } catch (const std::runtime_error& error) {
        problem_("measurement statistics of a day not kept: " + std::string(error.what()));
      }
    }
    if (!station.empty()) {
      std::erase_if(pairs, [&](const PairSums& pair) { return pair.key.station != station; });
    }
    sum.Add(pairs);
  }
  return std::move(sum).Pairs();
}

// The range in up to three parts: the runs of a part of its first hour, whole hours summed by
// the store, the runs of a part of its last hour. A station's item's first value in the range
// has no moving range back: a part's leads count only when the item has values in an earlier
// part.
std::vector<MeasureEntry> SqlStore::Measurements(int64_t fromMs, int64_t toMs,
                                                 const std::string& station) {
  if (toMs <= fromMs) {
    return {};
  }
  SessionPool::Lease session = readers_.Acquire();
  int64_t firstHour = HourStart(fromMs);
  int64_t lastHour = HourStart(toMs - 1);
  // A part of an hour is read from the runs only when runs of it lie outside the range.
  auto runsIn = [&](int64_t from, int64_t to) {
    return from < to && session->Run(Sql::MeasureRunsAny, Params{from, to, station}).Int(0, 0) > 0;
  };
  bool lowerPart = runsIn(firstHour, fromMs);
  bool upperPart = runsIn(toMs, lastHour + kHourMs);
  Sums sums;
  std::set<std::pair<std::string, std::string>> earlier;  // items with values in a part before
  auto readPart = [&](int64_t from, int64_t to) {
    // The runs of a part of an hour are asked for again with each refresh: their documents are
    // read only when the rows of one of them are not kept already.
    SqlResult runs = session->Run(Sql::MeasureRunKeysBetween, Params{from, to, station});
    std::vector<MeasuredRowsCache::Rows> kept;
    for (size_t i = 0; i < runs.rows.size(); ++i) {
      kept.push_back(measuredRows_.Find(runs.Text(i, 1), runs.Text(i, 3)));
      if (!kept.back()) {
        kept.clear();
        runs = session->Run(Sql::MeasureRunsBetween, Params{from, to, station});
        break;
      }
    }
    std::map<std::string, std::vector<std::pair<std::string, MeasurePoint>>> points;
    for (size_t i = 0; i < runs.rows.size(); ++i) {
      const std::string& name = runs.Text(i, 1);
      int64_t startedMs = runs.Int(i, 2);
      const std::string& id = runs.Text(i, 3);
      MeasuredRowsCache::Rows rows =
          i < kept.size() ? kept[i]
                          : MeasuredRows(*session, runs.TakeText(i, 0), name, startedMs, id);
      auto& list = points[name];
      for (auto& point : MeasuredPoints(*rows, startedMs, id)) {
        list.push_back(std::move(point));
      }
    }
    Sums part;
    for (const auto& [name, list] : points) {
      AddChanges(part, SumsOfPoints(name, list));
    }
    return part;
  };
  auto remember = [&](const Sums& part) {
    for (const auto& [key, s] : part) {
      earlier.emplace(key.station, key.item);
    }
  };
  if (lowerPart || (upperPart && firstHour == lastHour)) {
    Sums part = readPart(fromMs, std::min(toMs, firstHour + kHourMs));
    AddChanges(sums, part);
    remember(part);
    if (firstHour == lastHour) {
      return CombineSums(sums, false);
    }
  }
  int64_t wholeFrom = lowerPart ? firstHour + kHourMs : firstHour;
  int64_t wholeTo = upperPart ? lastHour : lastHour + kHourMs;
  // Whole hours, then whole days that are over, then whole hours again, in time order.
  auto addWhole = [&](std::vector<PairSums> pairs) {
    Sums whole;
    for (PairSums& pair : pairs) {
      if (earlier.count({pair.key.station, pair.key.item})) {
        pair.sums.leadRange += pair.firstLeadRange;
        pair.sums.leads += pair.firstLeads;
      }
      whole.emplace(std::move(pair.key), std::move(pair.sums));
    }
    AddChanges(sums, whole);
    remember(whole);
  };
  Sums opens;
  if (wholeFrom < wholeTo || upperPart) {
    opens = OpenHours(*session);
  }
  int64_t daysFrom = DayStart(wholeFrom + kDayMs - 1, 0);
  int64_t daysTo = std::min(DayStart(wholeTo, 0), DayStart(NowMs() - kDaySettleMs, 0));
  if (daysFrom < daysTo) {
    if (wholeFrom < daysFrom) {
      addWhole(HoursSum(*session, wholeFrom, daysFrom, station, opens));
    }
    addWhole(DaysSum(*session, daysFrom, daysTo, station, opens));
    wholeFrom = daysTo;
  }
  if (wholeFrom < wholeTo) {
    addWhole(HoursSum(*session, wholeFrom, wholeTo, station, opens));
  }
  if (upperPart) {
    Sums part = readPart(lastHour, toMs);
    // The part starts at its hour's start: its first values' ranges back are the hour's leads.
    auto addLead = [&](const MeasureKey& key, double range, int64_t count) {
      auto found = part.find(key);
      if (found != part.end() && earlier.count({key.station, key.item})) {
        found->second.leadRange += range;
        found->second.leads += count;
      }
    };
    SqlResult leads = session->Run(Sql::MeasureHourLeads, Params{lastHour, station});
    for (size_t i = 0; i < leads.rows.size(); ++i) {
      addLead({leads.Text(i, 0), leads.Text(i, 1), leads.Text(i, 2), lastHour},
              leads.Real(i, 3).value_or(0), leads.Int(i, 4));
    }
    for (const auto& [open, openSums] : opens) {
      if (open.hourMs == lastHour) {
        addLead(open, openSums.leadRange, openSums.leads);
      }
    }
    AddChanges(sums, part);
  }
  return CombineSums(sums, false);
}

// The latest `last` values of each of `items` of a station, oldest first, read from its latest
// runs until each has them or four runs per value asked for are read.
std::map<std::string, std::vector<MeasurePoint>> SqlStore::LatestOf(
    SqlSession& session, const std::string& station, const std::set<std::string>& items,
    int64_t last) {
  std::map<std::string, std::vector<MeasurePoint>> values;
  size_t full = 0;
  WalkRuns(
      session, station, std::numeric_limits<int64_t>::max(), "", false, last * 4,
      [&](const RunRecord& run) {
        for (auto& [name, point] : MeasuredPoints(run)) {
          if (!items.count(name)) {
            continue;
          }
          std::vector<MeasurePoint>& list = values[name];
          if (static_cast<int64_t>(list.size()) < last) {
            list.push_back(std::move(point));
            full += static_cast<int64_t>(list.size()) == last;
          }
        }
        return full < items.size();
      },
      last + 8, true);
  for (auto& [name, list] : values) {
    std::reverse(list.begin(), list.end());
  }
  return values;
}

std::optional<std::vector<MeasurePoint>> SqlStore::LatestValues(const std::string& station,
                                                                const std::string& item,
                                                                int64_t last) {
  SessionPool::Lease session = readers_.Acquire();
  StationItems items = ItemsOfRow(session->Run(Sql::MeasureItemFind, Params{station}));
  if (auto found = items.find(item); found == items.end() || !found->second.measured) {
    return std::nullopt;
  }
  return std::move(LatestOf(*session, station, {item}, last)[item]);
}

std::map<std::string, std::vector<MeasurePoint>> SqlStore::LatestValuesOfStation(
    const std::string& station, int64_t last) {
  SessionPool::Lease session = readers_.Acquire();
  std::set<std::string> measured;
  for (const auto& [item, state] :
       ItemsOfRow(session->Run(Sql::MeasureItemFind, Params{station}))) {
    if (state.measured) {
      measured.insert(item);
    }
  }
  return LatestOf(*session, station, measured, last);
}

std::vector<JudgedItem> SqlStore::JudgedItems() {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::MeasureItemsAll);
  std::vector<JudgedItem> items;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    for (const auto& [item, state] : ItemsOf(result.Text(i, 1))) {
      items.push_back({result.Text(i, 0), item, state.measured, state.streak.setting, state.unit,
                       state.streak.sinceMs, state.streak.latestMs});
    }
  }
  std::stable_sort(items.begin(), items.end(), [](const JudgedItem& a, const JudgedItem& b) {
    return std::tie(a.item, a.station) < std::tie(b.item, b.station);
  });
  return items;
}

}  // namespace line

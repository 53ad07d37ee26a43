// The line's dashboard: yield and first-pass yield per station, the Pareto of failing items,
// the stations with their alarm and drift, the measurements' capability with a chosen item's
// histogram and control chart, the limits stations disagree on, and a phone's runs by IMEI or
// SN. Everything comes from the service's API and refreshes by itself (?refresh=<seconds>,
// default 15). Each panel is one entry of `panels`: what it fetches and how it draws.
'use strict';

const params = new URLSearchParams(location.search);
const refreshSeconds = Math.max(2, Number(params.get('refresh')) || 15);
const palette = ['#0969da', '#bf3989', '#1a7f37', '#9a6700', '#8250df', '#cf222e', '#1b7c83',
                 '#953800', '#57606a', '#0550ae', '#6639ba', '#116329', '#a40e26', '#7d4e00'];
const $ = (id) => document.getElementById(id);

async function getJson(path) {
  const response = await fetch(path, { cache: 'no-store' });
  // Reads need a viewer's session here: the session ended or was never there.
  if (response.status === 401) {
    location.assign('login.html');
    throw new Error('log on first');
  }
  const viewer = response.headers.get('X-Varnex-Viewer');
  if (viewer) {
    $('viewer').textContent = viewer;
    $('logout').hidden = false;
  }
  const body = await response.json();
  if (!response.ok) throw new Error(body.error || response.statusText);
  return body;
}

function percent(ratio) {
  return ratio === null || ratio === undefined ? '' : (ratio * 100).toFixed(1) + ' %';
}

function offsetText() {
  const east = -new Date().getTimezoneOffset();
  const sign = east < 0 ? '-' : '+';
  const minutes = Math.abs(east);
  return sign + String(Math.floor(minutes / 60)).padStart(2, '0') + ':' +
         String(minutes % 60).padStart(2, '0');
}

function bucketLabel(iso, bucket) {
  const time = new Date(iso);
  const day = String(time.getMonth() + 1).padStart(2, '0') + '-' +
              String(time.getDate()).padStart(2, '0');
  return bucket === 'day' ? day : day + ' ' + String(time.getHours()).padStart(2, '0') + ':00';
}

function ago(iso) {
  const seconds = Math.max(0, (Date.now() - new Date(iso).getTime()) / 1000);
  if (seconds < 90) return Math.round(seconds) + ' s ago';
  if (seconds < 5400) return Math.round(seconds / 60) + ' min ago';
  if (seconds < 172800) return Math.round(seconds / 3600) + ' h ago';
  return new Date(iso).toLocaleString();
}

function cell(row, text, className) {
  const td = document.createElement('td');
  td.textContent = text;
  if (className) td.className = className;
  row.appendChild(td);
  return td;
}

function table(headers, rows) {
  const element = document.createElement('table');
  const head = element.createTHead().insertRow();
  for (const header of headers) {
    const th = document.createElement('th');
    th.textContent = header;
    head.appendChild(th);
  }
  const body = element.createTBody();
  for (const values of rows) {
    const row = body.insertRow();
    values.forEach((value) => cell(row, value));
  }
  return element;
}

// The numbers a chart shows, as a table inside its canvas (read by screen readers and tests).
function describe(canvas, headers, rows) {
  canvas.replaceChildren(table(headers, rows));
}

// Marks a canvas once Chart.js has drawn it.
const renderedMark = {
  id: 'renderedMark',
  afterRender(chart) { chart.canvas.dataset.rendered = String(Date.now()); },
};


// Vertical lines at positions of a category axis (2.5 = between the third and fourth bar),
// as [{ at, label, color }] in the canvas's `marks`: the histogram's limits.
const verticalMarks = {
  id: 'verticalMarks',
  afterDatasetsDraw(chart) {
    const { ctx, chartArea, scales } = chart;
    for (const mark of chart.canvas.marks || []) {
      const x = scales.x.getPixelForValue(mark.at);
      ctx.save();
      ctx.strokeStyle = mark.color;
      ctx.fillStyle = mark.color;
      ctx.lineWidth = 2;
      ctx.beginPath();
      ctx.moveTo(x, chartArea.top);
      ctx.lineTo(x, chartArea.bottom);
      ctx.stroke();
      ctx.textAlign = mark.at < scales.x.getLabels().length / 2 ? 'left' : 'right';
      ctx.fillText(mark.label, x + (ctx.textAlign === 'left' ? 4 : -4), chartArea.top + 10);
      ctx.restore();
    }
  },
};

// One chart per canvas, made once and updated in place afterwards. Datasets are matched by
// label and kept as the same objects, so what the viewer hid in a legend stays hidden.
const charts = new Map();
function drawChart(canvas, config) {
  if (!window.Chart) return null;
  // Every chart fills its box (a change of these later would not resize it).
  config.options = { animation: false, maintainAspectRatio: false, ...config.options };
  let chart = charts.get(canvas.id);
  if (!chart) {
    chart = new Chart(canvas, { ...config, plugins: [renderedMark, ...(config.plugins || [])] });
    charts.set(canvas.id, chart);
    return chart;
  }
  const kept = new Map(chart.data.datasets.map((d) => [d.label, d]));
  chart.data.labels = config.data.labels;
  chart.data.datasets = config.data.datasets.map((d) =>
    kept.has(d.label) ? Object.assign(kept.get(d.label), d) : d);
  chart.options = config.options;
  chart.update();
  return chart;
}

function number(value, digits) {
  if (value === null || value === undefined) return '';
  if (digits !== undefined) return value.toFixed(digits);
  const magnitude = Math.abs(value);
  return value.toFixed(magnitude >= 100 ? 1 : magnitude >= 10 ? 2 : 3);
}

function limitsText(low, high, unit) {
  if (low === null || low === undefined || high === null || high === undefined) return '';
  return low + '\u2013' + high + (unit ? ' ' + unit : '');
}

function timeText(iso) {
  const time = new Date(iso);
  return String(time.getMonth() + 1).padStart(2, '0') + '-' + String(time.getDate()).padStart(2, '0') +
         ' ' + String(time.getHours()).padStart(2, '0') + ':' + String(time.getMinutes()).padStart(2, '0');
}

// The header's choices: the range and the station.
function rangeDays() {
  return $('range').value === '7d' ? 7 : 1;
}

function rangeQuery() {
  const days = rangeDays();
  const from = new Date(Date.now() - days * 86400000).toISOString();
  const query = new URLSearchParams({ from, bucket: days === 7 ? 'day' : 'hour', tz: offsetText() });
  if ($('station').value) query.set('station', $('station').value);
  return query;
}

// Measurements from the start of the hour the range begins in: whole hours only.
function hourQuery() {
  const from = Math.floor((Date.now() - rangeDays() * 86400000) / 3600000) * 3600000;
  const query = new URLSearchParams({ from: new Date(from).toISOString() });
  if ($('station').value) query.set('station', $('station').value);
  return query;
}

// ---- Yield ----------------------------------------------------------------------------------

// Pointing at a station in the legend fades the others; leaving brings them back.
function highlightStation(chart, station) {
  for (const d of chart.data.datasets) {
    const picked = station === null || d.station === station;
    d.borderColor = picked ? d.color : d.color + '30';
    d.backgroundColor = d.borderColor;
  }
  chart.update('none');
}

function drawYield(answer) {
  const starts = new Set(answer.total.map((p) => p.start));
  answer.stations.forEach((s) => s.points.forEach((p) => starts.add(p.start)));
  const ordered = [...starts].sort();
  const labels = ordered.map((start) => bucketLabel(start, answer.bucket));
  const datasets = [];
  const described = [];
  let lowest = 100;
  const series = answer.stations.map((s) => ({ name: s.station, points: s.points }));
  if (series.length > 1) series.push({ name: 'Line', points: answer.total, line: true });
  series.forEach((s, index) => {
    const color = s.line ? '#24292f' : palette[index % palette.length];
    const byStart = new Map(s.points.map((p) => [p.start, p]));
    const values = (key) => ordered.map((start) => {
      const point = byStart.get(start);
      if (!point || point[key] === null) return null;
      const value = +(point[key] * 100).toFixed(2);
      lowest = Math.min(lowest, value);
      return value;
    });
    datasets.push({ label: s.name + ' yield', station: s.name, color, data: values('yield'),
                    borderColor: color, backgroundColor: color, borderWidth: s.line ? 3 : 2,
                    spanGaps: true });
    datasets.push({ label: s.name + ' first pass', station: s.name, color, firstPass: true,
                    data: values('firstPassYield'), borderColor: color, backgroundColor: color,
                    borderDash: [6, 4], borderWidth: 1.5, pointRadius: 1, spanGaps: true });
    for (const p of s.points) {
      described.push([s.name, bucketLabel(p.start, answer.bucket), String(p.counted),
                      percent(p.yield), String(p.firstTested), percent(p.firstPassYield)]);
    }
  });
  const canvas = $('yield-chart');
  describe(canvas, ['Station', 'From', 'Counted', 'Yield', 'First tested', 'First-pass yield'],
           described);
  // The axis starts a little below the lowest yield drawn, on a whole 5 %, and ends at 100 %.
  const bottom = Math.max(0, Math.floor((lowest - 1) / 5) * 5);
  drawChart(canvas, {
    type: 'line',
    data: { labels, datasets },
    options: {
      interaction: { mode: 'index', intersect: false },
      scales: { y: { min: bottom, max: 100, title: { display: true, text: '%' } } },
      plugins: {
        legend: {
          position: 'right',
          labels: { boxWidth: 12, font: { size: 11 },
                    filter: (item, data) => !data.datasets[item.datasetIndex].firstPass,
                    generateLabels: (chart) => Chart.defaults.plugins.legend.labels.generateLabels(chart)
                      .map((item) => ({ ...item, text: chart.data.datasets[item.datasetIndex].station })) },
          // One entry per station: it hides or shows both of the station's lines.
          onClick: (event, item, legend) => {
            const chart = legend.chart;
            const station = chart.data.datasets[item.datasetIndex].station;
            const visible = !chart.isDatasetVisible(item.datasetIndex);
            chart.data.datasets.forEach((d, i) => {
              if (d.station === station) chart.setDatasetVisibility(i, visible);
            });
            chart.update();
          },
          onHover: (event, item, legend) =>
            highlightStation(legend.chart, legend.chart.data.datasets[item.datasetIndex].station),
          onLeave: (event, item, legend) => highlightStation(legend.chart, null),
        },
      },
    },
  });
}

// ---- Pareto ---------------------------------------------------------------------------------

function drawPareto(answer) {
  const labels = answer.items.map((i) => i.item);
  const other = answer.other.items > 0 ? ' (' + answer.other.fails + ' of them in ' +
    answer.other.items + ' items not shown)' : '';
  $('pareto-total').textContent = answer.fails + ' failing rows of counted runs' +
    (answer.station ? ' at ' + answer.station : '') + ' since ' +
    new Date(answer.from).toLocaleString() + other;
  const canvas = $('pareto-chart');
  describe(canvas, ['Item', 'Fails', 'Share', 'Cumulative'],
           answer.items.map((i) => [i.item, String(i.fails), percent(i.share), percent(i.cumulative)]));
  drawChart(canvas, {
    data: {
      labels,
      datasets: [
        { type: 'bar', label: 'Failing rows', data: answer.items.map((i) => i.fails),
          backgroundColor: '#cf222e', yAxisID: 'y' },
        { type: 'line', label: 'Cumulative %', data: answer.items.map((i) => +(i.cumulative * 100).toFixed(1)),
          borderColor: '#24292f', backgroundColor: '#24292f', yAxisID: 'share' },
      ],
    },
    options: {
      scales: {
        y: { beginAtZero: true, ticks: { precision: 0 }, title: { display: true, text: 'rows' } },
        share: { position: 'right', min: 0, max: 100, grid: { drawOnChartArea: false },
                 title: { display: true, text: '%' } },
      },
    },
  });
}

// ---- Stations -------------------------------------------------------------------------------

function drawStations(answer) {
  $('alarm-rule').textContent = 'Alarm: ' + answer.alarmRule + '.';
  const body = $('stations').tBodies[0];
  body.replaceChildren();
  const select = $('station');
  const chosen = select.value;
  select.replaceChildren(new Option('all stations', ''));
  for (const s of answer.stations) {
    select.appendChild(new Option(s.name, s.name));
    const row = body.insertRow();
    row.dataset.station = s.name;
    cell(row, s.name);
    cell(row, s.line);
    cell(row, ago(s.lastSeen)).title = s.lastSeen;
    cell(row, String(s.counted), 'number');
    cell(row, percent(s.yield), 'number');
    cell(row, s.recent.fails + ' / ' + s.recent.runs + ' (' + percent(s.recent.failRatio) + ')', 'number');
    const badge = document.createElement('span');
    badge.className = 'badge ' + (s.alarm ? 'alarm' : 'ok');
    badge.textContent = s.alarm ? 'ALARM' : 'OK';
    cell(row, '').appendChild(badge);
    const drift = s.drift || [];
    cell(row, drift.join(', '), drift.length ? 'drift' : '');
  }
  select.value = chosen;
}

// ---- Measurements ---------------------------------------------------------------------------

let measurements = [];  // the entries of the latest answer
let chosen = null;      // the chosen row: { station, item, low, high }

function sameEntry(a, b) {
  return a && b && a.station === b.station && a.item === b.item && a.low === b.low && a.high === b.high;
}

function cpkClass(cpk) {
  if (cpk === null || cpk === undefined) return '';
  return cpk >= 1.33 ? 'good' : cpk >= 1.0 ? 'watch' : 'act';
}

// Worst Cpk first; entries without a Cpk after those with one.
function byCpk(a, b) {
  const missing = (a.cpk === null) - (b.cpk === null);
  if (missing !== 0) return missing;
  if (a.cpk !== null && a.cpk !== b.cpk) return a.cpk - b.cpk;
  return a.station.localeCompare(b.station) || a.item.localeCompare(b.item);
}

function drawMeasurements(answer) {
  measurements = [...answer.measurements].sort(byCpk);
  $('measurements-note').textContent = measurements.length + ' measured items of counted runs' +
    ($('station').value ? ' at ' + $('station').value : '') + ' since ' +
    new Date(answer.from).toLocaleString() + '.';
  const body = $('measurements').tBodies[0];
  body.replaceChildren();
  for (const entry of measurements) {
    const row = body.insertRow();
    row.entry = entry;
    row.tabIndex = 0;
    row.className = 'choosable' + (sameEntry(entry, chosen) ? ' chosen' : '');
    row.setAttribute('aria-selected', String(sameEntry(entry, chosen)));
    cell(row, entry.station);
    cell(row, entry.item);
    cell(row, limitsText(entry.low, entry.high, entry.unit));
    cell(row, String(entry.n), 'number');
    cell(row, number(entry.mean) + (entry.unit ? ' ' + entry.unit : ''), 'number');
    cell(row, String(entry.outside), 'number');
    cell(row, number(entry.cpk, 2), 'number cpk ' + cpkClass(entry.cpk));
    cell(row, number(entry.ppk, 2), 'number cpk ' + cpkClass(entry.ppk));
    row.addEventListener('click', () => choose(entry));
    row.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' || event.key === ' ') {
        event.preventDefault();
        choose(entry);
      }
    });
  }
  const current = measurements.find((entry) => sameEntry(entry, chosen));
  if (current) {
    drawHistogram(current);
  } else if (measurements.length) {
    // Nothing chosen yet (or the chosen row left the range): the row the address names
    // (?chart-station=&chart-item=), else the worst, so a screen nobody touches shows it.
    const named = measurements.find((entry) => entry.station === params.get('chart-station') &&
                                                entry.item === params.get('chart-item'));
    choose(named || measurements[0]);
  } else {
    chosen = null;
    drawHistogram(null);
    drawDetail(null);
  }
}

function choose(entry) {
  chosen = { station: entry.station, item: entry.item, low: entry.low, high: entry.high };
  for (const row of $('measurements').tBodies[0].rows) {
    const picked = sameEntry(row.entry, chosen);
    row.classList.toggle('chosen', picked);
    row.setAttribute('aria-selected', String(picked));
  }
  $('detail-title').textContent = entry.station + ': ' + entry.item;
  drawHistogram(entry);
  refreshPanel(detailPanel);
}

// The entry's histogram: two bins of a tenth of the tolerance below and above the limits, the
// ten bins inside them, and what lies further out at either end.
function drawHistogram(entry) {
  const canvas = $('histogram-chart');
  const bins = entry && entry.histogram;
  if (!bins) {
    canvas.marks = [];
    describe(canvas, ['Bin', 'Values'], []);
    drawChart(canvas, { type: 'bar', data: { labels: [], datasets: [] }, options: {},
                        plugins: [verticalMarks] });
    if (entry) $('detail-title').textContent = entry.station + ': ' + entry.item + ' (no histogram without both limits)';
    return;
  }
  const edge = (i) => +(bins.low + i * bins.width).toPrecision(6);
  const labels = bins.counts.map((count, i) =>
    i === 0 ? '< ' + edge(0) : i === bins.counts.length - 1 ? '> ' + edge(i - 1) : edge(i - 1) + '\u2013' + edge(i));
  const inside = (i) => i >= 3 && i <= 12;
  canvas.marks = [
    { at: 2.5, label: 'low ' + entry.low, color: '#cf222e' },
    { at: 12.5, label: 'high ' + entry.high, color: '#cf222e' },
  ];
  describe(canvas, ['Bin', 'Values'], labels.map((label, i) => [label, String(bins.counts[i])]));
  drawChart(canvas, {
    type: 'bar',
    data: {
      labels,
      datasets: [{ label: entry.item + (entry.unit ? ' (' + entry.unit + ')' : ''), data: bins.counts,
                   backgroundColor: bins.counts.map((c, i) => (inside(i) ? '#0969da' : '#cf222e')),
                   barPercentage: 1, categoryPercentage: 0.95 }],
    },
    options: {
      scales: { y: { beginAtZero: true, ticks: { precision: 0 }, title: { display: true, text: 'values' } },
                x: { ticks: { font: { size: 10 } } } },
      plugins: { legend: { display: false },
                 title: { display: true, text: 'Histogram of ' + entry.n + ' values, limits ' +
                          limitsText(entry.low, entry.high, entry.unit) } },
    },
    plugins: [verticalMarks],
  });
}

// The chosen item's individuals chart: its latest 500 values with the centre line, the control
// limits, the station's limits and the points that complete a signal pattern marked in red.
function fetchSeries() {
  if (!chosen) return Promise.resolve(null);
  const query = new URLSearchParams({ station: chosen.station, item: chosen.item, last: 500 });
  return getJson('api/v1/measurements/series?' + query);
}

const ruleText = {
  1: 'rule 1: a point beyond 3\u03c3',
  2: 'rule 2: two of three beyond 2\u03c3 on one side',
  3: 'rule 3: four of five beyond 1\u03c3 on one side',
  4: 'rule 4: eight in a row on one side of the centre',
};

function drawDetail(series) {
  const canvas = $('control-chart');
  if (!series || !chosen || series.station !== chosen.station || series.item !== chosen.item) {
    if (chosen) return;  // the chosen row's series is on its way
    $('detail-title').textContent = 'No row chosen';
    $('control-note').textContent = '';
    $('signals').replaceChildren();
    describe(canvas, ['Point', 'Started', 'Value', 'Signal rules'], []);
    drawChart(canvas, { type: 'line', data: { labels: [], datasets: [] }, options: {} });
    return;
  }
  const points = series.points;
  const rules = new Map();  // point index -> its rules
  for (const signal of series.signals) {
    rules.set(signal.index, [...(rules.get(signal.index) || []), signal.rule]);
  }
  const flat = (value) => points.map(() => value);
  const unit = series.unit ? ' ' + series.unit : '';
  const datasets = [
    { label: 'value', data: points.map((p) => p.value), borderColor: '#57606a', borderWidth: 1,
      pointRadius: points.map((p, i) => (rules.has(i) ? 4 : 1.5)),
      pointBackgroundColor: points.map((p, i) => (rules.has(i) ? '#cf222e' : '#0969da')),
      pointBorderColor: points.map((p, i) => (rules.has(i) ? '#cf222e' : '#0969da')) },
    { label: 'centre', data: flat(series.center), borderColor: '#1a7f37', borderWidth: 1.5 },
    { label: 'UCL', data: flat(series.ucl), borderColor: '#9a6700', borderDash: [6, 4], borderWidth: 1.5 },
    { label: 'LCL', data: flat(series.lcl), borderColor: '#9a6700', borderDash: [6, 4], borderWidth: 1.5 },
  ];
  if (series.low !== null && series.low !== undefined) {
    datasets.push({ label: 'low limit', data: flat(series.low), borderColor: '#cf222e', borderWidth: 2 });
  }
  if (series.high !== null && series.high !== undefined) {
    datasets.push({ label: 'high limit', data: flat(series.high), borderColor: '#cf222e', borderWidth: 2 });
  }
  for (const d of datasets.slice(1)) {
    Object.assign(d, { pointRadius: 0, pointHitRadius: 0, backgroundColor: d.borderColor });
  }
  $('control-note').textContent = points.length + ' latest values: centre ' + number(series.center) +
    unit + ', UCL ' + number(series.ucl) + ', LCL ' + number(series.lcl) + ' (centre \u00b1 2.66 \u00d7 ' +
    'mean moving range ' + number(series.mrBar) + '), limits ' +
    (limitsText(series.low, series.high, series.unit) || 'none') + '.';
  const signalled = [...rules.keys()].sort((a, b) => b - a);
  const shown = signalled.slice(0, 8).map((i) => {
    const item = document.createElement('li');
    item.textContent = 'Point ' + i + ' (' + timeText(points[i].started) + ', ' + points[i].value + unit +
      '): ' + rules.get(i).map((rule) => ruleText[rule] || 'rule ' + rule).join('; ');
    return item;
  });
  if (signalled.length > shown.length) {
    const more = document.createElement('li');
    more.textContent = (signalled.length - shown.length) + ' earlier signalling points';
    shown.push(more);
  }
  if (!signalled.length) {
    const none = document.createElement('li');
    none.textContent = 'No signals: the process is in control.';
    shown.push(none);
  }
  $('signals').replaceChildren(...shown);
  describe(canvas, ['Point', 'Started', 'Value', 'Signal rules'], points.map((p, i) =>
    [String(i), p.started, String(p.value), (rules.get(i) || []).join(' ')]));
  drawChart(canvas, {
    type: 'line',
    data: { labels: points.map((p) => timeText(p.started)), datasets },
    options: {
      interaction: { mode: 'nearest', intersect: false, axis: 'x' },
      scales: { x: { ticks: { maxTicksLimit: 6, maxRotation: 0, autoSkipPadding: 16 } },
                y: { title: { display: true, text: series.unit || '' } } },
      plugins: {
        legend: { position: 'bottom', labels: { boxWidth: 12, font: { size: 11 } } },
        title: { display: true, text: 'Individuals chart of the latest ' + points.length + ' values' },
        tooltip: {
          filter: (item) => item.datasetIndex === 0,
          callbacks: {
            label: (item) => 'point ' + item.dataIndex + ': ' + points[item.dataIndex].value + unit +
              ' (' + points[item.dataIndex].result + ')',
            afterLabel: (item) => (rules.get(item.dataIndex) || []).map((rule) => ruleText[rule]),
          },
        },
      },
    },
  });
}

// ---- Limits ---------------------------------------------------------------------------------

function settingText(setting, unit) {
  if (setting.low !== null && setting.low !== undefined) return limitsText(setting.low, setting.high, unit);
  return setting.expected || '';
}

// Per item: the stations that agree on one row with the reference, then each station that
// differs with its setting and since when it has judged that way.
function drawLimits(answer) {
  const differing = answer.items.filter((item) => item.stations.some((s) => s.differs));
  $('limits-note').textContent = differing.length === 0 ? 'All stations judge alike.' :
    differing.length + (differing.length === 1 ? ' item where' : ' items where') + ' stations disagree.';
  $('limits').hidden = differing.length === 0;
  const body = $('limits').tBodies[0];
  body.replaceChildren();
  for (const item of differing) {
    const agreeing = item.stations.filter((s) => !s.differs);
    const first = body.insertRow();
    first.className = 'reference';
    cell(first, item.item);
    // A long list of agreeing stations is a count, its names in the tooltip.
    const names = agreeing.map((s) => s.station).join(', ');
    cell(first, (agreeing.length > 4 ? agreeing.length + ' stations' : names || 'no station') +
                ' (the line\'s reference)').title = names;
    cell(first, settingText(item.reference, item.unit));
    cell(first, '');
    for (const s of item.stations.filter((station) => station.differs)) {
      const row = body.insertRow();
      row.className = 'differs';
      cell(row, '');
      cell(row, s.station);
      cell(row, settingText(s, item.unit));
      cell(row, timeText(s.since)).title = s.since;
    }
  }
}

// ---- Panels ---------------------------------------------------------------------------------

// A panel fetches given the header's choices and draws what came back. A newer refresh of a
// panel wins over an older one answering late; a panel that fails shows its own problem and
// leaves the others as they are.
const detailPanel = { name: 'chosen item', element: 'detail-panel', fetch: fetchSeries, draw: drawDetail };
const panels = [
  { name: 'yield', element: 'yield-panel', fetch: () => getJson('api/v1/yield?' + rangeQuery()), draw: drawYield },
  { name: 'Pareto', element: 'pareto-panel', fetch: () => getJson('api/v1/pareto?' + rangeQuery()), draw: drawPareto },
  { name: 'stations', element: 'stations-panel', fetch: () => getJson('api/v1/stations'), draw: drawStations },
  { name: 'measurements', element: 'measurements-panel', fetch: () => getJson('api/v1/measurements?' + hourQuery()),
    draw: drawMeasurements },
  detailPanel,
  { name: 'limits', element: 'limits-panel', fetch: () => getJson('api/v1/limits'), draw: drawLimits },
];

function showProblems() {
  const failing = panels.filter((panel) => panel.problem);
  const problems = failing.map((panel) => panel.name + ': ' + panel.problem);
  if (!window.Chart) problems.push('charting library missing (libjs-chart.js)');
  $('problem').textContent = 'Not up to date: ' + problems.join('; ');
  $('problem').hidden = problems.length === 0;
  if (failing.length < panels.length) $('updated').textContent = 'updated ' + new Date().toLocaleTimeString();
}

async function refreshPanel(panel) {
  panel.sequence = (panel.sequence || 0) + 1;
  const ticket = panel.sequence;
  let problem = null;
  try {
    const answer = await panel.fetch();
    if (ticket !== panel.sequence) return;
    panel.draw(answer);
  } catch (error) {
    if (ticket !== panel.sequence) return;
    problem = error.message;
  }
  panel.problem = problem;
  const shown = $(panel.element).querySelector(':scope > .problem');
  shown.textContent = problem ? 'Not up to date: ' + problem : '';
  shown.hidden = !problem;
  showProblems();
}

function refresh() {
  return Promise.all(panels.map(refreshPanel));
}

// ---- Find a phone ----------------------------------------------------------------------------

function runDetails(run, open) {
  const details = document.createElement('details');
  details.open = open;
  details.dataset.id = run.id;
  const summary = document.createElement('summary');
  const badge = document.createElement('span');
  badge.className = 'badge ' + (run.outcome === 'PASS' || run.outcome === 'FAIL' ? run.outcome : 'other');
  badge.textContent = run.outcome;
  summary.append(badge, ' ' + new Date(run.started).toLocaleString() + ' at ' + run.station.name +
                 ' (' + (run.counted ? 'counted' : 'not counted') + ') IMEI1 ' + run.codes.imei1 +
                 ', SN1 ' + run.codes.sn1 + ', operator ' + (run.operator || '-') + ', ' +
                 (run.durationMs / 1000).toFixed(1) + ' s');
  const rows = table(['Item', 'Expected', 'Result', 'Detail'], []);
  for (const r of run.rows) {
    const row = rows.tBodies[0].insertRow();
    row.className = r.result;
    cell(row, r.item);
    cell(row, r.expected);
    cell(row, r.result);
    cell(row, r.detail, 'detail');
  }
  details.append(summary, rows);
  return details;
}

async function search(code) {
  const results = $('results');
  history.replaceState(null, '', code ? '?q=' + encodeURIComponent(code) : location.pathname);
  if (!code) {
    results.replaceChildren();
    $('search-note').textContent = '';
    return;
  }
  const [byImei, bySn] = await Promise.all([
    getJson('api/v1/runs?' + new URLSearchParams({ imei: code, limit: 200 })),
    getJson('api/v1/runs?' + new URLSearchParams({ sn: code, limit: 200 })),
  ]);
  const runs = new Map();
  for (const run of [...byImei.runs, ...bySn.runs]) runs.set(run.id, run);
  const ordered = [...runs.values()].sort((a, b) => (new Date(b.started) - new Date(a.started)));
  $('search-note').textContent = ordered.length + (ordered.length === 1 ? ' run' : ' runs') + ' of ' + code;
  results.replaceChildren(...ordered.map((run, index) => runDetails(run, index === 0)));
}

$('range').addEventListener('change', refresh);
$('station').addEventListener('change', refresh);
$('search').addEventListener('submit', (event) => {
  event.preventDefault();
  search($('code').value.trim()).catch((error) => { $('search-note').textContent = error.message; });
});
if (params.get('q')) {
  $('code').value = params.get('q');
  search(params.get('q')).catch((error) => { $('search-note').textContent = error.message; });
}
refresh();
setInterval(refresh, refreshSeconds * 1000);

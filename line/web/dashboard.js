// The line's dashboard: yield and first-pass yield per station, the Pareto of failing items,
// the stations with their alarm, and a phone's runs by IMEI or SN. Everything comes from the
// service's API and refreshes by itself (?refresh=<seconds>, default 15).
'use strict';

const params = new URLSearchParams(location.search);
const refreshSeconds = Math.max(2, Number(params.get('refresh')) || 15);
const palette = ['#0969da', '#bf3989', '#1a7f37', '#9a6700', '#8250df', '#cf222e', '#1b7c83',
                 '#953800', '#57606a', '#0550ae'];
const $ = (id) => document.getElementById(id);
let yieldChart = null;
let paretoChart = null;

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

function rangeQuery() {
  const days = $('range').value === '7d' ? 7 : 1;
  const from = new Date(Date.now() - days * 86400000).toISOString();
  const query = new URLSearchParams({ from, bucket: days === 7 ? 'day' : 'hour', tz: offsetText() });
  if ($('station').value) query.set('station', $('station').value);
  return query;
}

function drawYield(answer) {
  const starts = new Set(answer.total.map((p) => p.start));
  answer.stations.forEach((s) => s.points.forEach((p) => starts.add(p.start)));
  const ordered = [...starts].sort();
  const labels = ordered.map((start) => bucketLabel(start, answer.bucket));
  const datasets = [];
  const described = [];
  const series = answer.stations.map((s) => ({ name: s.station, points: s.points }));
  if (series.length > 1) series.push({ name: 'Line', points: answer.total, line: true });
  series.forEach((s, index) => {
    const color = s.line ? '#24292f' : palette[index % palette.length];
    const byStart = new Map(s.points.map((p) => [p.start, p]));
    const values = (key) => ordered.map((start) => {
      const point = byStart.get(start);
      return point && point[key] !== null ? +(point[key] * 100).toFixed(2) : null;
    });
    datasets.push({ label: s.name + ' yield', data: values('yield'), borderColor: color,
                    backgroundColor: color, borderWidth: s.line ? 3 : 2, spanGaps: true });
    datasets.push({ label: s.name + ' first pass', data: values('firstPassYield'),
                    borderColor: color, backgroundColor: color, borderDash: [6, 4],
                    borderWidth: 1.5, pointRadius: 1, spanGaps: true });
    for (const p of s.points) {
      described.push([s.name, bucketLabel(p.start, answer.bucket), String(p.counted),
                      percent(p.yield), String(p.firstTested), percent(p.firstPassYield)]);
    }
  });
  const canvas = $('yield-chart');
  describe(canvas, ['Station', 'From', 'Counted', 'Yield', 'First tested', 'First-pass yield'],
           described);
  if (!window.Chart) return;
  if (!yieldChart) {
    yieldChart = new Chart(canvas, {
      type: 'line',
      data: { labels, datasets },
      plugins: [renderedMark],
      options: {
        animation: false, maintainAspectRatio: false,
        interaction: { mode: 'index', intersect: false },
        scales: { y: { suggestedMax: 100, title: { display: true, text: '%' } } },
        plugins: { legend: { position: 'right', labels: { boxWidth: 18 } } },
      },
    });
  } else {
    yieldChart.data.labels = labels;
    yieldChart.data.datasets = datasets;
    yieldChart.update();
  }
}

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
  if (!window.Chart) return;
  const datasets = [
    { type: 'bar', label: 'Failing rows', data: answer.items.map((i) => i.fails),
      backgroundColor: '#cf222e', yAxisID: 'y' },
    { type: 'line', label: 'Cumulative %', data: answer.items.map((i) => +(i.cumulative * 100).toFixed(1)),
      borderColor: '#24292f', backgroundColor: '#24292f', yAxisID: 'share' },
  ];
  if (!paretoChart) {
    paretoChart = new Chart(canvas, {
      data: { labels, datasets },
      plugins: [renderedMark],
      options: {
        animation: false, maintainAspectRatio: false,
        scales: {
          y: { beginAtZero: true, ticks: { precision: 0 }, title: { display: true, text: 'rows' } },
          share: { position: 'right', min: 0, max: 100, grid: { drawOnChartArea: false },
                   title: { display: true, text: '%' } },
        },
      },
    });
  } else {
    paretoChart.data.labels = labels;
    paretoChart.data.datasets = datasets;
    paretoChart.update();
  }
}

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
  }
  select.value = chosen;
}

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

async function refresh() {
  try {
    const [yieldAnswer, paretoAnswer, stationsAnswer] = await Promise.all([
      getJson('api/v1/yield?' + rangeQuery()),
      getJson('api/v1/pareto?' + rangeQuery()),
      getJson('api/v1/stations'),
    ]);
    drawStations(stationsAnswer);
    drawYield(yieldAnswer);
    drawPareto(paretoAnswer);
    $('updated').textContent = 'updated ' + new Date().toLocaleTimeString();
    $('problem').hidden = true;
    if (!window.Chart) throw new Error('charting library missing (libjs-chart.js)');
  } catch (error) {
    $('problem').textContent = 'Not up to date: ' + error.message;
    $('problem').hidden = false;
  }
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

// The job report's plots, drawn with Apache ECharts from the figures the
// report carries in #ks-data. The summary and the tables are plain HTML and
// need none of this. window.ksReport tells tests and benches when every
// plot has been drawn once (ready; readyMs counts from the start of the
// page's loading) and how many points, bars or stretches each one was given.
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('ks-data').textContent);
  var T = data.texts;
  var H = data.holes;
  var L = data.timeline;
  var locale = data.lang.indexOf('zh') === 0 ? 'ZH' : 'EN';
  var report = window.ksReport = { ready: false, charts: {}, points: {} };
  var pending = document.querySelectorAll('.chart').length;

  function fixed(v, d) { return v === null || v === undefined ? T.none : v.toFixed(d); }

  // Record times are shown in the record's own zone (useUTC on times moved
  // by its offset), whatever the zone of the PC the report is opened on.
  function clock(ms) {
    var t = new Date(ms);
    function two(n) { return (n < 10 ? '0' : '') + n; }
    return two(t.getUTCHours()) + ':' + two(t.getUTCMinutes()) + ':' + two(t.getUTCSeconds());
  }

  function make(id, points, option) {
    var chart = echarts.init(document.getElementById(id), null, { renderer: 'canvas', locale: locale, useUTC: true });
    report.charts[id] = chart;
    report.points[id] = points;
    var drawn = false;
    chart.on('finished', function () {
      if (drawn) return;
      drawn = true;
      pending -= 1;
      if (pending === 0) {
        report.readyMs = performance.now();
        report.ready = true;
      }
    });
    option.animation = false;
    chart.setOption(option);
  }

  var grid = { left: 64, right: 24, top: 36, bottom: 64 };
  var zoom = [{ type: 'inside' }, { type: 'slider', height: 18, bottom: 12 }];

  function holeLine(id, values, name, color, digits) {
    var points = [];
    for (var i = 0; i < H.hole.length; i++) if (values[i] !== null) points.push([H.hole[i], values[i]]);
    make(id, points.length, {
      grid: grid,
      tooltip: { trigger: 'axis', valueFormatter: function (v) { return fixed(v, digits); } },
      xAxis: { type: 'value', name: T.axisHole, nameLocation: 'middle', nameGap: 28, min: 'dataMin', max: 'dataMax' },
      yAxis: { type: 'value', name: name },
      dataZoom: zoom,
      series: [{ type: 'line', name: name, data: points, showSymbol: false, sampling: 'lttb',
                 lineStyle: { width: 1, color: color }, itemStyle: { color: color } }]
    });
  }

  function histogram() {
    var hist = data.histogram, bins = [];
    for (var b = 0; b < hist.counts.length; b++) {
      bins.push(fixed(hist.start + b * hist.width, 1) + '–' + fixed(hist.start + (b + 1) * hist.width, 1));
    }
    make('plot-histogram', hist.counts.length, {
      grid: grid,
      tooltip: { trigger: 'axis' },
      xAxis: { type: 'category', data: bins, name: T.axisSeconds, nameLocation: 'middle', nameGap: 28 },
      yAxis: { type: 'value', name: T.axisHoleCount, minInterval: 1 },
      series: [{ type: 'bar', name: T.axisHoleCount, data: hist.counts, barCategoryGap: '8%',
                 itemStyle: { color: '#4a8f5c' } }]
    });
  }

  // The plate with equal scales on X and Y, so that it keeps its shape. The
  // holes are drawn in classes of drilling seconds, one series each (drawn
  // as one path: 15,000 holes in a few milliseconds), bounded by quantiles
  // so that the slow few stand out; the legend switches classes on and off.
  function plate() {
    var lo = [Infinity, Infinity], hi = [-Infinity, -Infinity], timed = [], count = 0;
    for (var i = 0; i < H.hole.length; i++) {
      if (H.x[i] === null || H.y[i] === null) continue;
      count += 1;
      lo = [Math.min(lo[0], H.x[i]), Math.min(lo[1], H.y[i])];
      hi = [Math.max(hi[0], H.x[i]), Math.max(hi[1], H.y[i])];
      if (H.s[i] !== null) timed.push(H.s[i]);
    }
    timed.sort(function (a, b) { return a - b; });
    var bounds = [];
    [0.25, 0.5, 0.75, 0.9, 0.95, 0.99].forEach(function (q) {
      var v = timed.length ? timed[Math.min(timed.length - 1, Math.floor(q * timed.length))] : 0;
      if (timed.length && v > (bounds.length ? bounds[bounds.length - 1] : timed[0] - 1) && v < timed[timed.length - 1]) {
        bounds.push(v);
      }
    });
    var colors = ['#313695', '#4575b4', '#74add1', '#fee090', '#fdae61', '#f46d43', '#a50026'];
    var classes = [];
    for (var c = 0; c <= bounds.length; c++) {
      var from = c === 0 ? timed[0] : bounds[c - 1], to = c === bounds.length ? timed[timed.length - 1] : bounds[c];
      classes.push({ name: timed.length ? fixed(from, 1) + '–' + fixed(to, 1) + ' s' : T.none,
                     color: colors[Math.round(c * (colors.length - 1) / Math.max(bounds.length, 1))], data: [] });
    }
    var untimed = { name: T.none, color: '#9e9e9e', data: [] };
    for (var k = 0; k < H.hole.length; k++) {
      if (H.x[k] === null || H.y[k] === null) continue;
      var s = H.s[k], target = untimed;
      if (s !== null && timed.length) {
        var n = 0;
        while (n < bounds.length && s > bounds[n]) n++;
        target = classes[n];
      }
      target.data.push([H.x[k], H.y[k], s, H.hole[k]]);
    }
    if (untimed.data.length) classes.push(untimed);
    var half = count ? Math.max(hi[0] - lo[0], hi[1] - lo[1], 1) / 2 * 1.04 : 1;
    var mid = count ? [(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2] : [0, 0];
    function whole(v) { return v.toFixed(0); }
    make('plot-plate', count, {
      grid: { left: 64, right: 132, top: 24, bottom: 48 },
      legend: { orient: 'vertical', right: 4, top: 'middle', itemWidth: 12, itemHeight: 10 },
      tooltip: {
        trigger: 'item',
        formatter: function (p) {
          return T.axisHole + ' ' + p.value[3] + '<br>X ' + fixed(p.value[0], 3) + '  Y ' + fixed(p.value[1], 3) +
                 '<br>' + T.axisSeconds + ' ' + fixed(p.value[2], 1);
        }
      },
      xAxis: { type: 'value', name: 'X (mm)', nameLocation: 'middle', nameGap: 28, min: mid[0] - half,
               max: mid[0] + half, axisLabel: { formatter: whole } },
      yAxis: { type: 'value', name: 'Y (mm)', min: mid[1] - half, max: mid[1] + half, axisLabel: { formatter: whole } },
      series: classes.filter(function (c) { return c.data.length; }).map(function (c) {
        return { type: 'scatter', name: c.name, data: c.data, symbolSize: 4, large: true, largeThreshold: 500,
                 itemStyle: { color: c.color } };
      })
    });
  }

  // The shift: one row for drilling, one per pause reason; a lost link red.
  function timeline() {
    var t0 = L.t0 + data.offsetMs;
    var colors = ['#2f6db5'].concat(L.reasons.map(function (r) { return r === 'lost-link' ? '#c62828' : '#e0a030'; }));
    var spans = [];
    for (var k = 0; k < L.start.length; k++) {
      spans.push({ value: [L.row[k], t0 + L.start[k] * 1000, t0 + L.end[k] * 1000, L.hole[k], L.last[k], L.holes[k]],
                   itemStyle: { color: colors[L.row[k]] } });
    }
    make('plot-timeline', spans.length, {
      grid: { left: 150, right: 24, top: 24, bottom: 64 },
      tooltip: {
        formatter: function (p) {
          var v = p.value;
          var holes = v[0] === 0 ? v[3] + '–' + v[4] + ' (' + v[5] + ')' : v[3];
          return L.rows[v[0]] + '<br>' + T.axisHole + ' ' + holes + '<br>' + clock(v[1]) + ' – ' + clock(v[2]);
        }
      },
      xAxis: { type: 'time', scale: true,
               axisLabel: { formatter: { year: '{yyyy}', month: '{yyyy}-{MM}', day: '{MM}-{dd}', hour: '{HH}:{mm}',
                                         minute: '{HH}:{mm}', second: '{HH}:{mm}:{ss}' } } },
      yAxis: { type: 'category', data: L.rows, inverse: true },
      dataZoom: [{ type: 'inside', filterMode: 'weakFilter' },
                 { type: 'slider', height: 18, bottom: 12, filterMode: 'weakFilter' }],
      series: [{
        type: 'custom', data: spans, encode: { x: [1, 2], y: 0 },
        renderItem: function (params, api) {
          var a = api.coord([api.value(1), api.value(0)]);
          var b = api.coord([api.value(2), api.value(0)]);
          var h = api.size([0, 1])[1] * 0.6;
          var box = params.coordSys;
          var rect = echarts.graphic.clipRectByRect(
            { x: a[0], y: a[1] - h / 2, width: Math.max(b[0] - a[0], 2), height: h },
            { x: box.x, y: box.y, width: box.width, height: box.height });
          return rect && { type: 'rect', shape: rect, style: api.style() };
        }
      }]
    });
  }

  holeLine('plot-per-hole', H.s, T.axisSeconds, '#2f6db5', 1);
  histogram();
  plate();
  holeLine('plot-z-travel', H.z, T.axisZTravel, '#9a5b2e', 3);
  timeline();

  window.addEventListener('resize', function () {
    Object.keys(report.charts).forEach(function (id) { report.charts[id].resize(); });
  });
})();

// Stands in for the charting library in a build made without it (a machine
// without npm: scripts/run on a fresh machine builds the console before the
// test tools are there). Each plot's box says so; the figures and tables
// of the report are complete without it.
window.echarts = {
  init: function (el) {
    el.textContent = JSON.parse(document.getElementById('ks-data').textContent).texts.noCharts;
    el.style.display = 'flex';
    el.style.alignItems = 'center';
    el.style.justifyContent = 'center';
    var handlers = [];
    return {
      on: function (name, f) { if (name === 'finished') handlers.push(f); },
      setOption: function () { handlers.forEach(function (f) { f(); }); },
      dispatchAction: function () {},
      resize: function () {}
    };
  },
  graphic: { clipRectByRect: function () { return null; } }
};

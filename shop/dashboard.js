// The shop's dashboard: one card per machine, from what the consoles
// publish (kestrane/<machine>/online, /state, /record). It only listens.
//
// Page parameters: ?broker=ws://host:port (default: the server the page
// came from, as when Mosquitto serves it), ?lang=zh|en, ?bench=1 (keeps the
// time from each state message's stamp to its arrival in the page and to
// its card drawn, in window.shopBench.arrivals and .latencies, and the time
// each drawing took, in .draws, milliseconds).
"use strict";

const params = new URLSearchParams(location.search);

const TEXTS = {
  zh: {
    title: "Kestrane 车间看板", connected: "已连接消息服务器", connecting: "正在连接消息服务器…",
    machines: (n, need) => `${n} 台机床` + (need ? `，${need} 台需要处理` : ""),
    none: "还没有机床发布状态。", offline: "离线", unavailable: "通信中断",
    ACTIVE: "加工中", READY: "就绪", FEED_HOLD: "暂停", INTERRUPTED: "中断",
    noJob: "无加工文件", hole: "当前孔", end: "预计完成", seen: "更新于", version: "版本",
    commError: "最近通信错误", dropped: "未送达记录",
    reasons: { button: "操作员暂停", "pause-hole": "到达暂停孔", "controller-request": "控制器请求暂停",
               "lost-link": "与控制器通信中断", "arrival-check": "轴未到达孔位",
               "position-changed": "坐标已变，需重设X、Y坐标" },
    events: { drilled: "已加工", visited: "已定位", skipped: "已跳过", paused: "暂停", reset: "复位",
              "job-end": "加工结束" },
  },
  en: {
    title: "Kestrane shop floor", connected: "Connected to the broker", connecting: "Connecting to the broker…",
    machines: (n, need) => `${n} machine${n === 1 ? "" : "s"}` + (need ? `, ${need} need someone` : ""),
    none: "No machine has published its state yet.", offline: "Offline", unavailable: "Link lost",
    ACTIVE: "Drilling", READY: "Ready", FEED_HOLD: "Paused", INTERRUPTED: "Interrupted",
    noJob: "No job", hole: "Hole", end: "Expected end", seen: "Updated", version: "Version",
    commError: "Last communication error", dropped: "Record lines not delivered",
    reasons: { button: "Paused by the operator", "pause-hole": "Reached the pause hole",
               "controller-request": "The controller asked to pause", "lost-link": "Link to the controller lost",
               "arrival-check": "The axes stopped off the hole",
               "position-changed": "Coordinates changed: X and Y to be set again" },
    events: { drilled: "drilled", visited: "visited", skipped: "skipped", paused: "paused", reset: "reset",
              "job-end": "job end" },
  },
};

function chooseLanguage() {
  const asked = params.get("lang");
  if (asked === "zh" || asked === "en") return asked;
  for (const l of navigator.languages || [navigator.language || ""]) {
    if (l.startsWith("zh")) return "zh";
    if (l.startsWith("en")) return "en";
  }
  return "zh";
}
const T = TEXTS[chooseLanguage()];
document.documentElement.lang = chooseLanguage();

// Who needs someone first: offline, link lost, interrupted, paused; then
// the busy ones, then the idle ones.
function rank(m) {
  if (!m.online) return 0;
  const s = m.state;
  if (!s) return 6;
  if (s.availability === "UNAVAILABLE") return 1;
  return { INTERRUPTED: 2, FEED_HOLD: 3, ACTIVE: 4, READY: 5 }[s.execution] ?? 6;
}

const machines = new Map();  // name -> {online, state, records, history, card, dirty, stamps}
let renderQueued = false;
let order = "";
const bench = params.get("bench") === "1" ? (window.shopBench = { arrivals: [], latencies: [], draws: [] }) : null;

function machine(name) {
  let m = machines.get(name);
  if (!m) {
    m = { name, online: true, state: null, records: [], history: [], card: makeCard(name), dirty: true, stamps: [] };
    machines.set(name, m);
  }
  return m;
}

function el(parent, tag, cls) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  parent.appendChild(e);
  return e;
}

function makeCard(name) {
  const card = document.createElement("section");
  card.className = "card";
  card.dataset.machine = name;
  const band = el(card, "div", "band");
  el(band, "span", "name").textContent = name;
  el(band, "span", "status");
  const body = el(card, "div", "body");
  el(body, "div", "job");
  el(body, "div", "reason");
  const bar = el(body, "div", "bar");
  el(bar, "div", "fill");
  el(bar, "div", "text");
  const row = el(body, "div", "row");
  el(row, "span", "hole");
  el(row, "span", "end");
  el(body, "div", "pos");
  el(body, "div", "error");
  el(body, "ul", "records");
  el(body, "div", "seen");
  return card;
}

function part(card, cls) { return card.querySelector("." + cls); }

// Made once: a formatter costs far more to make than to use.
const clockFormats = [false, true].map((seconds) => new Intl.DateTimeFormat(document.documentElement.lang,
  Object.assign({ hour: "2-digit", minute: "2-digit", hour12: false }, seconds ? { second: "2-digit" } : {})));
function clock(ms, seconds) { return clockFormats[seconds ? 1 : 0].format(new Date(ms)); }

// The expected end from the recent drilling rate: the last holes finished
// during this job, at most ten.
function expectedEnd(m) {
  const s = m.state, h = m.history;
  if (!s || s.execution === "READY" || h.length < 2 || s.holes_done >= s.hole_count) return null;
  const first = h[0], last = h[h.length - 1];
  const rate = (last.done - first.done) / (last.t - first.t);
  if (!(rate > 0)) return null;
  return last.t + (s.hole_count - s.holes_done) / rate;
}

function noteProgress(m, s) {
  const h = m.history;
  const t = Date.parse(s.time);
  const last = h[h.length - 1];
  if (!last || last.job !== s.job || s.holes_done < last.done) h.length = 0;
  if (!h.length || s.holes_done > h[h.length - 1].done) h.push({ t, done: s.holes_done, job: s.job });
  if (h.length > 11) h.shift();
}

function render(m) {
  const card = m.card, s = m.state;
  const status = !m.online ? "offline" : s && s.availability === "UNAVAILABLE" ? "UNAVAILABLE" : s ? s.execution : "";
  card.className = "card " + status;
  part(card, "status").textContent =
    !m.online ? T.offline : status === "UNAVAILABLE" ? T.unavailable : s ? T[s.execution] : "";
  if (!s) return;
  part(card, "job").textContent = s.job || T.noJob;
  part(card, "reason").textContent = s.pause_reason ? T.reasons[s.pause_reason] || s.pause_reason : "";
  const share = s.hole_count > 0 ? s.holes_done / s.hole_count : 0;
  part(card, "fill").style.width = (100 * share).toFixed(1) + "%";
  part(card, "text").textContent = s.hole_count > 0 ? `${s.holes_done} / ${s.hole_count}  (${(100 * share).toFixed(0)}%)` : "";
  part(card, "hole").textContent = s.hole > 0 ? `${T.hole} ${s.hole}` : "";
  const end = expectedEnd(m);
  part(card, "end").textContent = end ? `${T.end} ${clock(end)}` : "";
  part(card, "pos").textContent = `X ${s.x_mm.toFixed(3)}  Y ${s.y_mm.toFixed(3)}  Z ${s.z_mm.toFixed(3)}`;
  const errors = [];
  if (s.comm_error) errors.push(`${T.commError}: ${s.comm_error} ${s.comm_error_text || ""}`);
  if (s.records_dropped) errors.push(`${T.dropped}: ${s.records_dropped}`);
  part(card, "error").textContent = errors.join(" · ");
  const list = part(card, "records");
  list.replaceChildren(...m.records.map((r) => {
    const li = document.createElement("li");
    const when = r.time.length >= 19 ? r.time.slice(11, 19) : r.time;
    const what = T.events[r.event] || r.event;
    li.textContent = `${when}  #${r.hole}  ${what}` + (r.drill_s != null ? `  ${r.drill_s.toFixed(1)} s` : "") +
                     (r.reason ? `  ${T.reasons[r.reason] || r.reason}` : "");
    return li;
  }));
  part(card, "seen").textContent = `${T.seen} ${clock(Date.parse(s.time), true)} · ${T.version} ${s.version}`;
}

function draw() {
  renderQueued = false;
  const now = Date.now();
  const started = performance.now();
  for (const m of machines.values()) {
    if (!m.dirty) continue;
    m.dirty = false;
    render(m);
    if (bench) for (const t of m.stamps) bench.latencies.push(now - t);
    m.stamps.length = 0;
  }
  const sorted = [...machines.values()].sort((a, b) => rank(a) - rank(b) || a.name.localeCompare(b.name));
  const key = sorted.map((m) => m.name).join("\n");
  if (key !== order) {
    order = key;
    const main = document.getElementById("machines");
    for (const m of sorted) main.appendChild(m.card);
  }
  const need = sorted.filter((m) => rank(m) <= 3).length;
  document.getElementById("summary").textContent = T.machines(machines.size, need);
  document.getElementById("empty").textContent = machines.size ? "" : T.none;
  if (bench) bench.draws.push(performance.now() - started);
}

function changed(m) {
  m.dirty = true;
  if (!renderQueued) {
    renderQueued = true;
    requestAnimationFrame(draw);
  }
}

const decoder = new TextDecoder();

function onMessage(topic, payload) {
  const parts = topic.split("/");
  if (parts.length !== 3 || parts[0] !== "kestrane") return;
  const m = machine(parts[1]);
  const text = decoder.decode(payload);
  if (parts[2] === "online") {
    m.online = text === "1";
  } else if (parts[2] === "state") {
    let s;
    try { s = JSON.parse(text); } catch (e) { return; }
    m.state = s;
    noteProgress(m, s);
    if (bench) {
      m.stamps.push(Date.parse(s.time));
      bench.arrivals.push(Date.now() - Date.parse(s.time));
    }
  } else if (parts[2] === "record") {
    let r;
    try { r = JSON.parse(text); } catch (e) { return; }
    if (m.records.some((x) => x.seq === r.seq && x.time === r.time)) return;  // delivered twice
    m.records.unshift(r);
    m.records.length = Math.min(m.records.length, 5);
  } else {
    return;
  }
  changed(m);
}

function brokerUrl() {
  const given = params.get("broker");
  if (given) return given;
  if (location.protocol === "http:" || location.protocol === "https:")
    return (location.protocol === "https:" ? "wss://" : "ws://") + location.host;
  return "ws://localhost:9001";
}

function start() {
  document.title = T.title;
  document.getElementById("title").textContent = T.title;
  const status = document.getElementById("broker");
  status.textContent = T.connecting;
  draw();
  const client = mqtt.connect(brokerUrl(), { reconnectPeriod: 2000, connectTimeout: 10000, clean: true });
  client.on("connect", () => {
    status.className = "broker up";
    status.textContent = T.connected;
    client.subscribe(["kestrane/+/online", "kestrane/+/state", "kestrane/+/record"], { qos: 1 });
  });
  client.on("offline", () => {
    status.className = "broker down";
    status.textContent = T.connecting;
  });
  client.on("error", () => {});  // told by "offline"; the client tries again by itself
  client.on("message", onMessage);
}

start();

// The station page: every station of the process with its lamp, its newest
// values, a trend of the last hour per item and its alarm log. It reads
// /api/latest once, then follows /api/events; after a lost stream it reads
// /api/latest again, since events sent meanwhile are gone. It only reads:
// nothing here asks the server to change anything.
(function () {
  "use strict";

  var TEXTS = {
    ja: {
      item: "項目No", name: "名前", data: "ﾃﾞｰﾀ", alarm: "ｱﾗｰﾑ", alarmCount: "ｱﾗｰﾑ数",
      min: "最小値", max: "最大値", avg: "平均値", trend: "トレンド",
      lastRecord: "最終記録", records: "記録数", alarms: "アラーム", alarmLog: "アラームログ",
      states: { running: "実行中", stopped: "停止中", alarm: "アラーム", portLost: "ポート切断", noReply: "無応答" },
      live: "接続中", connecting: "接続しています…", lost: "接続が切れました。再接続しています…",
      unauthorized: "トークンが違います（?token=… を付けて開いてください）",
      noStations: "計測所がありません", updated: "更新 ", noData: "データなし",
      since: function (min) { return "直近 " + min + " 分"; }
    },
    en: {
      item: "Item", name: "Name", data: "Data", alarm: "Alarm", alarmCount: "Alarms",
      min: "Min", max: "Max", avg: "Average", trend: "Trend",
      lastRecord: "Last record", records: "Records", alarms: "Alarms", alarmLog: "Alarm log",
      states: { running: "Running", stopped: "Stopped", alarm: "Alarm", portLost: "Port lost", noReply: "No reply" },
      live: "Live", connecting: "Connecting…", lost: "Connection lost, reconnecting…",
      unauthorized: "Wrong token (open the page with ?token=…)",
      noStations: "No stations", updated: "Updated ", noData: "No data",
      since: function (min) { return "last " + min + " min"; }
    }
  };
  var lang = (navigator.language || "").toLowerCase().indexOf("ja") === 0 ? "ja" : "en";
  var T = TEXTS[lang];
  document.documentElement.lang = lang;

  var TREND_SPAN_S = 3600;
  var TREND_REDRAW_MS = 5000;   // a trend is read again at most this often
  var MIN_TREND_MS = 60000;     // the narrowest time axis: one minute
  var RECONNECT_MS = 3000;      // after the server closed the stream for good
  var ALARM_LOG_LINES = 20;
  var STATES = ["running", "stopped", "alarm", "portLost", "noReply"];

  var stationsEl = document.getElementById("stations");
  var connectionEl = document.getElementById("connection");
  var updatedEl = document.getElementById("updated");
  var stations = {};            // station name -> view
  var recordsSeen = 0;
  var latestRead = false;       // /api/latest answered at least once

  // ---- small DOM helpers ----------------------------------------------------
  function el(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = text;
    return e;
  }
  function setText(e, text) {
    text = text === undefined || text === null ? "" : String(text);
    if (e.textContent !== text) e.textContent = text;
  }
  var SVG_NS = "http://www.w3.org/2000/svg";
  function svg(tag, attrs) {
    var e = document.createElementNS(SVG_NS, tag);
    for (var k in attrs) if (Object.prototype.hasOwnProperty.call(attrs, k)) e.setAttribute(k, attrs[k]);
    return e;
  }

  // The station's own clock time, as the line overview shows it: the record
  // time string is read as written, not moved into the browser's time zone.
  function shortTime(iso) {
    var m = /^\d\d(\d\d)-(\d\d)-(\d\d)T(\d\d:\d\d:\d\d)/.exec(iso || "");
    return m ? m[1] + "/" + m[2] + "/" + m[3] + " " + m[4] : "";
  }
  function clockNow() {
    var d = new Date();
    function two(n) { return (n < 10 ? "0" : "") + n; }
    return two(d.getHours()) + ":" + two(d.getMinutes()) + ":" + two(d.getSeconds());
  }

  function getJson(url) {
    return fetch(url, { credentials: "same-origin", cache: "no-store" }).then(function (r) {
      if (r.status === 401) { showConnection("unauthorized"); throw new Error("401"); }
      if (!r.ok) throw new Error(url + ": " + r.status);
      return r.json();
    });
  }

  function showConnection(what) {
    document.body.setAttribute("data-connection", what);
    setText(connectionEl, T[what] || what);
  }

  // ---- one station -------------------------------------------------------------
  function createView(name) {
    var v = { name: name, data: {}, rows: {}, trendDue: {}, order: [] };
    var sec = el("section", "station");
    sec.setAttribute("data-station", name);
    var head = el("div", "station-head");
    v.lamp = el("span", "lamp");
    v.lamp.setAttribute("aria-hidden", "true");
    v.title = el("h2", "station-name", name);
    v.stateWord = el("span", "state-word");
    head.appendChild(v.lamp);
    head.appendChild(v.title);
    head.appendChild(v.stateWord);
    sec.appendChild(head);

    var facts = el("dl", "facts");
    function fact(label) {
      var wrap = el("div", "fact");
      wrap.appendChild(el("dt", null, label));
      var dd = el("dd");
      wrap.appendChild(dd);
      facts.appendChild(wrap);
      return dd;
    }
    v.lastRecord = fact(T.lastRecord);
    v.records = fact(T.records);
    v.alarms = fact(T.alarms);
    sec.appendChild(facts);
    v.message = el("p", "message");
    sec.appendChild(v.message);

    var table = el("table", "items");
    var thead = el("thead");
    var hr = el("tr");
    [[T.item, "no"], [T.name, "name"], [T.data, "data"], [T.alarm, "alarm"], [T.alarmCount, "num"], [T.min, "num"],
     [T.max, "num"], [T.avg, "num"], [T.trend, "trend-cell"]].forEach(function (c) {
      hr.appendChild(el("th", c[1], c[0]));
    });
    thead.appendChild(hr);
    table.appendChild(thead);
    v.tbody = el("tbody");
    table.appendChild(v.tbody);
    var scroller = el("div", "items-wrap");
    scroller.appendChild(table);
    sec.appendChild(scroller);

    var log = el("div", "alarm-log");
    log.appendChild(el("h3", null, T.alarmLog));
    v.log = el("pre", "log-lines");
    log.appendChild(v.log);
    sec.appendChild(log);

    v.section = sec;
    return v;
  }

  function viewOf(name) {
    var v = stations[name];
    if (!v) {
      v = stations[name] = createView(name);
      stationsEl.appendChild(v.section);
      setEmptyNotice();
    }
    return v;
  }

  function setEmptyNotice() {
    var empty = Object.keys(stations).length === 0;
    var notice = stationsEl.querySelector(".empty");
    if (empty && !notice) stationsEl.appendChild(el("p", "empty", T.noStations));
    if (!empty && notice) notice.remove();
  }

  function showState(v, s) {
    var state = STATES.indexOf(s.state) >= 0 ? s.state : "stopped";
    v.lamp.className = "lamp lamp-" + state;
    v.section.setAttribute("data-state", state);
    setText(v.stateWord, T.states[state]);
    v.stateWord.className = "state-word word-" + state;
    setText(v.message, s.message);
    setText(v.lastRecord, shortTime(s.lastRecord));
    setText(v.records, s.records === undefined ? "" : s.records);
    setText(v.alarms, s.alarms === undefined ? "" : s.alarms);
    v.records.setAttribute("data-value", s.records === undefined ? "" : s.records);
  }

  function cell(tr, label, cls) {
    var td = el("td", cls);
    td.setAttribute("data-label", label);
    tr.appendChild(td);
    return td;
  }

  // A row is known by its item (D001…); a row the server could not name
  // yet by its number, and it has no trend to read.
  function keyOf(item) { return item.item || "#" + item.no; }

  function rowOf(v, item) {
    var key = keyOf(item);
    var r = v.rows[key];
    if (r) return r;
    var tr = el("tr");
    tr.setAttribute("data-item", key);
    r = { tr: tr };
    r.no = cell(tr, T.item, "no");
    r.name = cell(tr, T.name, "name");
    r.data = cell(tr, T.data, "data");
    r.value = el("span", "value");
    r.unit = el("span", "unit");
    r.data.appendChild(r.value);
    r.data.appendChild(r.unit);
    r.alarm = cell(tr, T.alarm, "alarm");
    r.alarmCount = cell(tr, T.alarmCount, "num");
    r.min = cell(tr, T.min, "num");
    r.max = cell(tr, T.max, "num");
    r.avg = cell(tr, T.avg, "num");
    var td = cell(tr, T.trend, "trend-cell");
    r.trend = createTrend();
    td.appendChild(r.trend.box);
    td.appendChild(r.trend.levels);
    if (!item.item) tr.classList.add("no-trend");  // the number or time column
    v.rows[key] = r;
    if (item.item) v.trendDue[key] = true;
    return r;
  }

  function showItems(v, items) {
    if (!Array.isArray(items)) return;
    var seen = {};
    items.forEach(function (item, i) {
      if (!item || typeof item !== "object") return;
      seen[keyOf(item)] = true;
      var r = rowOf(v, item);
      if (v.tbody.children[i] !== r.tr) v.tbody.insertBefore(r.tr, v.tbody.children[i] || null);
      setText(r.no, item.no);
      setText(r.name, item.name);
      setText(r.value, item.text);
      setText(r.unit, item.unit ? " " + item.unit : "");
      r.tr.classList.toggle("in-alarm", !!item.alarm);
      setText(r.alarm, item.alarm ? T.alarm : "");
      setText(r.alarmCount, item.alarmCount);
      setText(r.min, item.min);
      setText(r.max, item.max);
      setText(r.avg, item.avg);
    });
    Object.keys(v.rows).forEach(function (key) {
      if (!seen[key]) { v.rows[key].tr.remove(); delete v.rows[key]; delete v.trendDue[key]; }
    });
  }

  function showLog(v, lines) {
    v.logLines = (lines || []).slice(-ALARM_LOG_LINES);
    setText(v.log, v.logLines.join("\n"));
    v.log.parentNode.classList.toggle("is-empty", v.logLines.length === 0);
    v.log.scrollTop = v.log.scrollHeight;
  }

  function showStation(s) {
    var v = viewOf(s.station);
    v.data = s;
    showState(v, s);
    showItems(v, s.items);
    showLog(v, s.alarmLog);
  }

  // ---- the trend: a min/max band with the item's levels -------------------------
  var W = 300, H = 64;

  function createTrend() {
    var t = {};
    t.box = el("div", "trend");
    t.svg = svg("svg", { viewBox: "0 0 " + W + " " + H, preserveAspectRatio: "none", role: "img" });
    t.box.appendChild(t.svg);
    t.top = el("span", "axis axis-top");
    t.bottom = el("span", "axis axis-bottom");
    t.box.appendChild(t.top);
    t.box.appendChild(t.bottom);
    t.since = el("span", "since");
    t.box.appendChild(t.since);
    t.levels = el("div", "levels");  // placed under the box by the row
    return t;
  }

  // Splits the points at gaps ([ms, null, null]) into runs drawn separately.
  function runsOf(points) {
    var runs = [], run = [];
    points.forEach(function (p) {
      if (!Array.isArray(p) || typeof p[0] !== "number" || typeof p[1] !== "number" || typeof p[2] !== "number") {
        if (run.length) runs.push(run);
        run = [];
      } else {
        run.push(p);
      }
    });
    if (run.length) runs.push(run);
    return runs;
  }

  function drawTrend(t, trend) {
    while (t.svg.firstChild) t.svg.removeChild(t.svg.firstChild);
    while (t.levels.firstChild) t.levels.removeChild(t.levels.firstChild);
    var points = Array.isArray(trend.points) ? trend.points : [];
    var levels = (Array.isArray(trend.levels) ? trend.levels : []).filter(function (l) {
      return l && typeof l.value === "number" && isFinite(l.value);
    });
    var runs = runsOf(points);
    var lo = Infinity, hi = -Infinity;
    runs.forEach(function (run) { run.forEach(function (p) { lo = Math.min(lo, p[1]); hi = Math.max(hi, p[2]); }); });
    // A level near the values widens the scale to show its line; one far
    // off would flatten the values, so it is only named below the trend.
    var near = Math.max(hi - lo, Math.abs(hi) * 0.05, 1e-9);
    var shown = levels.filter(function (l) { return l.value >= lo - near && l.value <= hi + near; });
    shown.forEach(function (l) { lo = Math.min(lo, l.value); hi = Math.max(hi, l.value); });
    t.box.classList.toggle("no-data", runs.length === 0);
    if (runs.length === 0) {
      setText(t.top, "");
      setText(t.since, "");
      setText(t.bottom, T.noData);
      return;
    }
    if (hi === lo) { hi += 1; lo -= 1; }
    var pad = (hi - lo) * 0.08;
    hi += pad; lo -= pad;
    // The time axis ends at the newest point, not at the browser's clock,
    // which may be set differently from the station's. A run younger than
    // the span fills the width from its first point.
    var first = runs[0][0][0], end = runs[runs.length - 1].slice(-1)[0][0];
    var spanMs = Math.min((trend.span || TREND_SPAN_S) * 1000, Math.max(end - first, MIN_TREND_MS));
    var start = end - spanMs;
    setText(t.since, T.since(Math.max(1, Math.round(spanMs / 60000))));
    function x(ms) { return ((ms - start) / spanMs * W).toFixed(1); }
    function y(v) { return ((hi - v) / (hi - lo) * H).toFixed(1); }

    levels.forEach(function (l) {
      var cls = "level " + (/^MIN/i.test(l.name) ? "level-min" : "level-max") + (l.threshold ? " level-threshold" : "");
      var arrow = "";
      if (shown.indexOf(l) >= 0) t.svg.appendChild(svg("line", { x1: 0, x2: W, y1: y(l.value), y2: y(l.value), "class": cls }));
      else arrow = l.value > hi ? " ↑" : " ↓";
      var label = l.name.indexOf(String(l.value)) >= 0 ? l.name : l.name + " " + l.value;  // "ALM>15" names its value
      t.levels.appendChild(el("span", cls, label + arrow));
    });
    runs.forEach(function (run) {
      var upper = run.map(function (p) { return x(p[0]) + "," + y(p[2]); });
      var lower = run.slice().reverse().map(function (p) { return x(p[0]) + "," + y(p[1]); });
      if (run.length === 1) {
        // One bucket alone: a short bar, so it shows at all.
        var px = Number(x(run[0][0]));
        upper = [(px - 1) + "," + y(run[0][2]), (px + 1) + "," + y(run[0][2])];
        lower = [(px + 1) + "," + y(run[0][1]), (px - 1) + "," + y(run[0][1])];
      }
      t.svg.appendChild(svg("polygon", { points: upper.concat(lower).join(" "), "class": "band" }));
      t.svg.appendChild(svg("polyline", { points: upper.join(" "), "class": "edge" }));
      t.svg.appendChild(svg("polyline", { points: lower.join(" "), "class": "edge" }));
    });
    setText(t.top, formatAxis(hi - pad));
    setText(t.bottom, formatAxis(lo + pad));
  }

  function formatAxis(v) {
    var a = Math.abs(v);
    return a !== 0 && (a >= 1e6 || a < 1e-3) ? v.toExponential(2) : String(Number(v.toPrecision(5)));
  }

  function fetchTrend(v, item) {
    var url = "/api/trend?station=" + encodeURIComponent(v.name) + "&item=" + encodeURIComponent(item) +
      "&span=" + TREND_SPAN_S;
    return getJson(url).then(function (trend) {
      var r = v.rows[item];
      if (r) drawTrend(r.trend, trend);
    }).catch(function () { /* drawn again at the next round */ });
  }

  // Reads the trends marked due since the last round, one station after the
  // other, so a burst of records costs one request per item per round.
  var trendBusy = false;
  function trendRound() {
    if (trendBusy) return;
    var jobs = [];
    Object.keys(stations).forEach(function (name) {
      var v = stations[name];
      Object.keys(v.trendDue).forEach(function (item) {
        if (v.trendDue[item]) { v.trendDue[item] = false; jobs.push([v, item]); }
      });
    });
    if (!jobs.length) return;
    trendBusy = true;
    var next = function () {
      var job = jobs.shift();
      if (!job) { trendBusy = false; return; }
      fetchTrend(job[0], job[1]).then(next);
    };
    next();
  }

  function markTrendsDue(v) {
    Object.keys(v.rows).forEach(function (key) { if (key.charAt(0) !== "#") v.trendDue[key] = true; });
  }

  // ---- reading the whole picture and following the stream ---------------------
  function readLatest() {
    return getJson("/api/latest").then(function (latest) {
      var names = {};
      (latest.stations || []).forEach(function (s) {
        if (!s || typeof s.station !== "string") return;
        names[s.station] = true;
        showStation(s);
        markTrendsDue(stations[s.station]);
      });
      Object.keys(stations).forEach(function (name) {
        if (!names[name]) { stations[name].section.remove(); delete stations[name]; }
      });
      setEmptyNotice();
      latestRead = true;
      setText(updatedEl, T.updated + clockNow());
      trendRound();
    });
  }

  function parse(e) {
    try { return JSON.parse(e.data); } catch (err) { return null; }
  }

  var source = null, opened = 0, retry = null;
  function listen() {
    retry = null;
    source = new EventSource("/api/events", { withCredentials: true });
    source.addEventListener("open", function () {
      showConnection("live");
      // After a drop the events sent meanwhile are lost: read everything again.
      if (opened++ > 0 || !latestRead) readLatest().catch(function () {});
    });
    source.addEventListener("error", function () {
      if (document.body.getAttribute("data-connection") !== "unauthorized") showConnection("lost");
      // EventSource retries by itself unless the server refused the stream.
      if (source.readyState === EventSource.CLOSED && !retry) {
        source.close();
        retry = setTimeout(listen, RECONNECT_MS);
      }
    });
    source.addEventListener("state", function (e) {
      var s = parse(e);
      if (!s || typeof s.station !== "string") return;
      var v = viewOf(s.station);
      for (var k in s) if (Object.prototype.hasOwnProperty.call(s, k)) v.data[k] = s[k];
      showState(v, v.data);
    });
    source.addEventListener("record", function (e) {
      var m = parse(e);
      if (!m || typeof m.station !== "string") return;
      var v = viewOf(m.station);
      v.data.record = m.record;
      if (m.record && m.record.time) v.data.lastRecord = m.record.time;
      showState(v, v.data);
      if (m.items) { v.data.items = m.items; showItems(v, m.items); }
      markTrendsDue(v);
      recordsSeen++;
      document.body.setAttribute("data-records-seen", String(recordsSeen));
      setText(updatedEl, T.updated + clockNow());
    });
    source.addEventListener("alarm", function (e) {
      var m = parse(e);
      if (!m || typeof m.station !== "string" || typeof m.line !== "string") return;
      var v = viewOf(m.station);
      showLog(v, (v.logLines || []).concat([m.line]));
    });
  }

  showConnection("connecting");
  readLatest().catch(function () {});
  listen();
  setInterval(trendRound, TREND_REDRAW_MS);
})();

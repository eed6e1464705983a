#!/usr/bin/python3
"""A shop's subscriber for the publishing tests (python3-paho-mqtt).

  shop_listen.py listen --port P --out FILE --ready FILE [--client-id ID]
      Subscribes to kestrane/# with QoS 1 and writes every message as one
      JSON line {"topic", "retain", "payload"} to FILE, flushed at once,
      until SIGTERM. With --client-id the session is persistent (a broker
      that keeps sessions queues what arrives while this one is away) and
      the subscriber reconnects by itself. Touches --ready once subscribed.

  shop_listen.py check --messages FILE --schemas DIR --csv FILE [--machine M]
      Checks what was heard: every state and record message valid by the
      JSON Schemas beside the code; the record messages, once each by
      their sequence number, in order and equal field by field to the
      job record's CSV lines, and the lines missing no more than the last
      state counts as dropped. Prints a summary ("key value" lines) and
      exits 1 with the faults it found.
"""
import argparse
import csv
import json
import os
import signal
import sys
import time


def listen(args):
    import paho.mqtt.client as mqtt

    out = open(args.out, "a", encoding="utf-8")
    persistent = bool(args.client_id)
    client = mqtt.Client(client_id=args.client_id or "", clean_session=not persistent)
    client.reconnect_delay_set(min_delay=1, max_delay=1)

    def on_connect(c, userdata, flags, rc):
        if rc == 0:
            c.subscribe("kestrane/#", qos=1)

    def on_subscribe(c, userdata, mid, granted):
        if args.ready and not os.path.exists(args.ready):
            open(args.ready, "w").close()

    def on_message(c, userdata, msg):
        text = msg.payload.decode("utf-8")
        try:
            payload = json.loads(text)
        except ValueError:
            payload = text
        out.write(json.dumps({"topic": msg.topic, "retain": bool(msg.retain), "payload": payload},
                             ensure_ascii=False) + "\n")
        out.flush()

    client.on_connect = on_connect
    client.on_subscribe = on_subscribe
    client.on_message = on_message
    stop = []
    signal.signal(signal.SIGTERM, lambda *a: stop.append(1))
    client.connect_async("127.0.0.1", args.port, keepalive=10)
    client.loop_start()
    while not stop:
        time.sleep(0.02)
    client.loop_stop()
    out.close()


def number(text):
    return None if text == "" else float(text)


def check(args):
    from jsonschema import Draft202012Validator

    schemas = {name: Draft202012Validator(json.load(open(os.path.join(args.schemas, name + ".schema.json"))))
               for name in ("state", "record")}
    faults = []
    states, records, online = [], [], []
    for n, line in enumerate(open(args.messages, encoding="utf-8"), 1):
        m = json.loads(line)
        parts = m["topic"].split("/")
        if len(parts) != 3 or parts[0] != "kestrane" or (args.machine and parts[1] != args.machine):
            faults.append(f"message {n}: topic {m['topic']}")
            continue
        kind = parts[2]
        if kind == "online":
            online.append(m["payload"])
            continue
        if kind not in schemas:
            faults.append(f"message {n}: unknown topic {m['topic']}")
            continue
        for e in schemas[kind].iter_errors(m["payload"]):
            faults.append(f"message {n} ({kind}): {e.message}")
        (states if kind == "state" else records).append(m["payload"])

    # QoS 1 may deliver a message again after later ones (a broker that died
    # before its acknowledgement reached the console): a repeat of a state
    # already heard is no disorder.
    heard, times = set(), []
    for s in states:
        if isinstance(s, dict) and "time" in s:
            key = json.dumps(s, sort_keys=True)
            if key not in heard:
                heard.add(key)
                times.append(s["time"])
    if times != sorted(times):
        faults.append("state messages out of order")

    rows = list(csv.reader(open(args.csv, newline="", encoding="ascii")))
    header, rows = rows[0], rows[1:]
    seen, unique = set(), []
    for r in records:
        if isinstance(r, dict) and r.get("seq") not in seen:
            seen.add(r.get("seq"))
            unique.append(r)
    if [r["seq"] for r in unique] != sorted(r["seq"] for r in unique):
        faults.append("record lines out of order")
    # Lines can be missing only where the queue dropped them: match the
    # messages to the CSV lines in order, skipping what is missing.
    i = 0
    for r in unique:
        while i < len(rows) and not same_line(header, rows[i], r):
            i += 1
        if i == len(rows):
            faults.append(f"record message seq {r['seq']} matches no CSV line after the previous one: {r}")
            break
        i += 1
    dropped = states[-1]["records_dropped"] if states else 0
    if len(rows) - len(unique) != dropped:
        faults.append(f"{len(rows)} CSV lines, {len(unique)} heard, {dropped} counted as dropped")

    def collapsed(values):
        out = []
        for v in values:
            if not out or out[-1] != v:
                out.append(v)
        return ",".join(str(v) for v in out)

    print("states", len(states))
    print("records_csv", len(rows))
    print("records_heard", len(unique))
    print("records_dropped", dropped)
    print("executions", collapsed(s["execution"] for s in states))
    print("pause_reasons", collapsed(s["pause_reason"] for s in states if s["pause_reason"]))
    print("holes_done", collapsed(s["holes_done"] for s in states))
    print("online", collapsed(online))
    for f in faults:
        print("FAULT", f)
    return 1 if faults else 0


def same_line(header, row, message):
    for name, text in zip(header, row):
        value = message[name]
        if name in ("time", "event"):
            if value != text:
                return False
        elif name == "reason":
            if value != (text or None):
                return False
        elif value != number(text):
            return False
    return True


def main():
    p = argparse.ArgumentParser()
    sub = p.add_subparsers(dest="what", required=True)
    l = sub.add_parser("listen")
    l.add_argument("--port", type=int, required=True)
    l.add_argument("--out", required=True)
    l.add_argument("--ready")
    l.add_argument("--client-id")
    c = sub.add_parser("check")
    c.add_argument("--messages", required=True)
    c.add_argument("--schemas", required=True)
    c.add_argument("--csv", required=True)
    c.add_argument("--machine")
    args = p.parse_args()
    return listen(args) if args.what == "listen" else check(args)


if __name__ == "__main__":
    sys.exit(main())

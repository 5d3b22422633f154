#!/usr/bin/env python3
"""qirv-cli's csv and json output, read by Python's own csv and json modules: generate's rows,
check's results against a whois server of this script's own, and a resumed check that asks only
the rows without a verdict."""

import csv
import io
import json
import socket
import subprocess
import sys
import tempfile
import threading

CLI = sys.argv[1]
FIELDS = ["name", "status", "checked", "server", "time", "reason"]
asked = []


def serve(listener):
    while True:
        connection, _ = listener.accept()
        with connection:
            query = connection.makefile("rb").readline().decode().strip()
            asked.append(query)
            connection.sendall(b"No match for x\n" if "free" in query else b"Domain Name: X\n")


def run(*arguments, stdin=""):
    result = subprocess.run([CLI, *arguments], input=stdin.encode(), capture_output=True, timeout=60)
    return result.returncode, result.stdout.decode(), result.stderr.decode()


def rows_of(text, format):
    if format == "csv":
        reader = csv.DictReader(io.StringIO(text, newline=""))
        assert reader.fieldnames == FIELDS, reader.fieldnames
        return [dict(row, checked=row["checked"] == "true") for row in reader]
    rows = [json.loads(line) for line in text.splitlines()]
    assert all(list(row) == FIELDS for row in rows), rows
    return [{key: "" if value is None else value for key, value in row.items()} for row in rows]


def main():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen()
    threading.Thread(target=serve, args=(listener,), daemon=True).start()
    server = "127.0.0.1:%d" % listener.getsockname()[1]

    keywords = 'say "hi", you\nbücher'
    _, names, _ = run("generate", "--keywords", keywords, "--no-remove-spaces")
    for format in ["csv", "json"]:
        code, text, errors = run("generate", "--keywords", keywords, "--no-remove-spaces", "--format", format)
        rows = rows_of(text, format)
        assert code == 0 and not errors, errors
        assert [row["name"] for row in rows] == names.splitlines(), (rows, names)
        assert all(row["status"] == "Pending" and row["checked"] is True for row in rows), rows

    # A name with a comma and quotes is quoted in both formats; it is no domain name, so it is
    # never sent, and its reason (with a comma and quotes too) says why.
    not_a_name = 'taken,"q".com'
    given = ["free-a.com", not_a_name, "free-ü.com", "taken-b.com"]
    for format in ["csv", "json"]:
        asked.clear()
        code, text, _ = run("check", "--no-update", "--no-dns", "--no-store", "--whois-server", server, "--format", format, *given)
        rows = rows_of(text, format)
        assert code == 1, code
        assert sorted(row["name"] for row in rows) == sorted(given), rows
        assert not_a_name not in asked, asked
        for row in rows:
            if row["name"] == not_a_name:
                assert row["status"] == "No Answer" and not row["server"], row
                assert row["reason"] == "Not a domain name: ',' is not allowed", row
                continue
            assert row["status"] == ("Available!" if row["name"].startswith("free") else "Taken"), row
            assert row["server"] == server and row["time"].endswith("Z") and not row["reason"], row

        # Resuming: the rows with a verdict are printed as they were; only the rest is asked.
        with tempfile.NamedTemporaryFile("w", suffix="." + format, encoding="utf-8", newline="") as file:
            file.write(text.replace('"Taken"', '"Pending"') if format == "json" else text.replace(",Taken,", ",Pending,"))
            file.flush()
            asked.clear()
            code, resumed, _ = run("check", "--no-update", "--no-dns", "--no-store", "--whois-server", server, "--format", format, "--input", file.name)
        assert code == 1, code
        assert asked == ["taken-b.com"], asked
        resumed_rows = rows_of(resumed, format)
        assert sorted(row["name"] for row in resumed_rows) == sorted(given), resumed_rows
        assert all(row["status"] != "Pending" for row in resumed_rows), resumed_rows
    print("csv and json output read back")


main()

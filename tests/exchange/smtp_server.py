#!/usr/bin/python3
"""A real SMTP server on 127.0.0.1 for the mail tests, and a reader of what it received.

serve OUT [options]
    Listens on a free port of 127.0.0.1 and prints "PORT <n>" once it accepts connections.
    Every message it accepts is stored as OUT/NNNN.eml (the bytes received) with
    OUT/NNNN.json (envelope sender, recipients, connection number). OUT/events.log gets one
    line per event: "connect <c>", "tls <c>", "auth <c> <mechanism> <user> ok|bad",
    "data <c> <n>", "defer <c>", "drop <c>", "stall <c>", "lost <c>". The server stops when its standard
    input closes (or on SIGTERM).

    --auth USER:PASS    login required before MAIL (AUTH LOGIN and PLAIN offered, no TLS needed)
    --reject TEXT       recipients containing TEXT are refused with 550
    --drop-at N         the N-th message's connection is cut after its content, before the reply
                        (may be given more than once)
    --defer N           the first N messages are answered "451" after their content (try again
                        later, as a rate limit or greylisting does); later ones are accepted
    --stall-at N        the N-th message never gets a reply (the client must time out)
    --cert PEM --key PEM   offer STARTTLS with this certificate
    --implicit-tls      with --cert/--key: TLS from the first byte (as on port 465)

parse FILE
    Prints, as JSON, what a mail program would show of the stored message FILE, read with
    Python's own email parser: from, reply_to, to, subject (decoded), body, and each
    attachment's decoded file name (from Content-Disposition and from Content-Type's name),
    content type and bytes (base64).
"""

import argparse
import asyncio
import base64
import email
import email.header
import email.policy
import itertools
import json
import logging
import os
import signal
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Recorder:
    def __init__(self, out):
        self.out = out
        self.messages = 0
        self.data_commands = 0
        os.makedirs(out, exist_ok=True)
        self.log = open(os.path.join(out, "events.log"), "a", encoding="utf-8")

    def event(self, *words):
        self.log.write(" ".join(str(w) for w in words) + "\n")
        self.log.flush()

    def store(self, connection, envelope):
        self.messages += 1
        stem = os.path.join(self.out, "%04d" % self.messages)
        with open(stem + ".eml.part", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        with open(stem + ".json", "w", encoding="utf-8") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                       "connection": connection}, f, ensure_ascii=False)
        # The .eml appears whole or not at all, so a reader never sees half a message.
        os.replace(stem + ".eml.part", stem + ".eml")


class Handler:
    def __init__(self, recorder, args):
        self.recorder = recorder
        self.args = args

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.args.reject and self.args.reject in address:
            return "550 5.1.1 Mailbox unavailable: " + address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.recorder.data_commands += 1
        n = self.recorder.data_commands
        self.recorder.event("data", server.connection, n)
        if n in self.args.drop_at:
            self.recorder.event("drop", server.connection)
            server.transport.abort()
            # Closing the connection cancels this handler; no reply is ever written.
            await asyncio.sleep(3600)
        if n == self.args.stall_at:
            self.recorder.event("stall", server.connection)
            await asyncio.sleep(3600)
        if n <= self.args.defer:
            self.recorder.event("defer", server.connection)
            return "451 4.7.1 Too many messages, try again later"
        self.recorder.store(server.connection, envelope)
        return "250 Message accepted"


class RecordingSMTP(SMTP):
    numbers = itertools.count(1)

    def __init__(self, recorder, *args, **kwargs):
        self.recorder = recorder
        self.connection = next(RecordingSMTP.numbers)
        super().__init__(*args, **kwargs)

    def connection_made(self, transport):
        again = self.transport is not None and self._original_transport is not None
        super().connection_made(transport)
        if not again:
            self.recorder.event("connect", self.connection)
        if transport.get_extra_info("ssl_object") is not None:
            self.recorder.event("tls", self.connection)

    def connection_lost(self, error):
        self.recorder.event("lost", self.connection)
        super().connection_lost(error)


def make_authenticator(recorder, credentials):
    user, _, password = credentials.partition(":")

    def authenticate(server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        login = auth_data.login.decode("utf-8", "replace")
        ok = login == user and auth_data.password.decode("utf-8", "replace") == password
        recorder.event("auth", server.connection, mechanism, login, "ok" if ok else "bad")
        return AuthResult(success=ok, handled=False)

    return authenticate


def serve(args):
    logging.basicConfig(level=logging.CRITICAL)
    recorder = Recorder(args.out)
    handler = Handler(recorder, args)
    context = None
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
    kwargs = {"hostname": "gzt-test", "timeout": 60}
    if context is not None and not args.implicit_tls:
        kwargs["tls_context"] = context
    if args.auth:
        kwargs.update(auth_required=True, auth_require_tls=False,
                      authenticator=make_authenticator(recorder, args.auth))
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(loop.create_server(
        lambda: RecordingSMTP(recorder, handler, loop=loop, **kwargs), "127.0.0.1", 0,
        ssl=context if args.implicit_tls else None))
    port = server.sockets[0].getsockname()[1]

    loop.add_reader(sys.stdin.fileno(), lambda: None if sys.stdin.buffer.read1(4096) else loop.stop())
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    print("PORT %d" % port, flush=True)
    loop.run_forever()
    server.close()
    recorder.event("stopped")


def header_text(value):
    if value is None:
        return None
    return str(email.header.make_header(email.header.decode_header(value)))


def parse(path):
    with open(path, "rb") as f:
        raw = f.read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    plain = email.message_from_bytes(raw)  # compat32: the raw parameter values
    body = message.get_body(preferencelist=("plain",))
    result = {
        "from": str(message["From"]),
        "reply_to": str(message["Reply-To"]),
        "to": str(message["To"]),
        "subject": str(message["Subject"]),
        "has_date": message["Date"] is not None,
        "has_message_id": message["Message-ID"] is not None,
        "mime_version": str(message["MIME-Version"]),
        "body": body.get_content() if body is not None else None,
        "body_charset": body.get_content_charset() if body is not None else None,
        "defects": [type(d).__name__ for part in message.walk() for d in part.defects],
        "attachments": [],
    }
    plain_parts = [p for p in plain.walk() if p.get_content_disposition() == "attachment"]
    for part, raw_part in zip(message.iter_attachments(), plain_parts):
        result["attachments"].append({
            "filename": part.get_filename(),
            "name": header_text(raw_part.get_param("name")),
            "content_type": part.get_content_type(),
            "data": base64.b64encode(part.get_payload(decode=True)).decode("ascii"),
        })
    json.dump(result, sys.stdout, ensure_ascii=False)


def main():
    parser = argparse.ArgumentParser()
    commands = parser.add_subparsers(dest="command", required=True)
    s = commands.add_parser("serve")
    s.add_argument("out")
    s.add_argument("--auth")
    s.add_argument("--reject")
    s.add_argument("--drop-at", type=int, action="append", default=[])
    s.add_argument("--defer", type=int, default=0)
    s.add_argument("--stall-at", type=int, default=0)
    s.add_argument("--cert")
    s.add_argument("--key")
    s.add_argument("--implicit-tls", action="store_true")
    p = commands.add_parser("parse")
    p.add_argument("file")
    args = parser.parse_args()
    if args.command == "serve":
        serve(args)
    else:
        parse(args.file)


if __name__ == "__main__":
    main()

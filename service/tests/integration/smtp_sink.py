"""Loopback SMTP server for the reminder service's integration tests.

Requires a login and accepts one code per address, as a mailbox does: the code listed for
the address in the codes file ("address code" lines, which a test may rewrite to rotate a
code), or else the first code the address logs in with, which is then listed. Appends
every login to the logins file ("address code accepted|refused" lines), and stores every
message as a small text file: "name: value" lines (login, password, envelope and decoded
headers), a blank line, then the decoded body. Prints "listening on PORT" once it accepts
connections. With --tls it speaks TLS from the first byte ("implicit") or only after
STARTTLS, which it then requires before login ("starttls").

--script COMMAND=REPLY,REPLY,... scripts the answers to the first uses of AUTH, RCPT or
DATA (the end of the message), across connections: "ok" answers as usual, a code such
as 454 answers with that code, "stall" never answers. Later uses answer as usual.
"""

import argparse
import asyncio
import email
import email.policy
import os
import signal
import ssl
import time

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Script:
    def __init__(self, entries):
        self.replies = {}
        for entry in entries:
            command, replies = entry.split("=", 1)
            self.replies[command.upper()] = replies.split(",")

    def next(self, command):
        queue = self.replies.get(command, [])
        return queue.pop(0) if queue else "ok"


async def scripted(reply, command):
    """The reply to send instead of the usual one, or None for the usual one."""
    if reply == "ok":
        return None
    if reply == "stall":
        await asyncio.sleep(3600)
    return f"{reply} scripted reply to {command}"


class Sink:
    def __init__(self, folder, script):
        self.folder = folder
        self.script = script

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        reply = await scripted(self.script.next("RCPT"), "RCPT")
        if reply:
            return reply
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        reply = await scripted(self.script.next("DATA"), "DATA")
        if reply:
            return reply
        message = email.message_from_bytes(envelope.content, policy=email.policy.default)
        login = session.auth_data
        fields = {
            "login": login.login.decode(),
            "password": login.password.decode(),
            "mail-from": envelope.mail_from,
            "rcpt-to": ",".join(envelope.rcpt_tos),
            "from": str(message["From"]),
            "to": str(message["To"]),
            "subject": str(message["Subject"]),
            "message-id": str(message["Message-ID"]),
        }
        body = message.get_content().replace("\r\n", "\n")
        text = "".join(f"{name}: {value}\n" for name, value in fields.items()) + "\n" + body
        stem = os.path.join(self.folder, f"{time.time_ns()}")
        with open(stem + ".part", "w", encoding="utf-8") as out:
            out.write(text)
        os.replace(stem + ".part", stem + ".txt")
        return "250 OK"


class Mailboxes:
    def __init__(self, codes_file, logins_file, script):
        self.codes_file = codes_file
        self.logins_file = logins_file
        self.script = script

    def codes(self):
        try:
            with open(self.codes_file, encoding="utf-8") as lines:
                return dict(line.split() for line in lines if line.strip())
        except FileNotFoundError:
            return {}

    # handled=False makes aiosmtpd send the refusal itself (535 unless scripted).
    def __call__(self, server, session, envelope, mechanism, auth_data):
        reply = self.script.next("AUTH")
        if reply != "ok":
            return AuthResult(success=False, handled=False, message=f"{reply} scripted reply to AUTH")
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        address, code = auth_data.login.decode(), auth_data.password.decode()
        known = self.codes()
        if address not in known:
            with open(self.codes_file, "a", encoding="utf-8") as out:
                out.write(f"{address} {code}\n")
            known[address] = code
        accepted = known[address] == code
        with open(self.logins_file, "a", encoding="utf-8") as out:
            out.write(f"{address} {code} {'accepted' if accepted else 'refused'}\n")
        return AuthResult(success=accepted, handled=False, auth_data=auth_data)


async def serve(port, folder, tls, context, script, mailboxes):
    loop = asyncio.get_running_loop()
    sink = Sink(folder, script)
    starttls = tls == "starttls"
    server = await loop.create_server(
        lambda: SMTP(sink, hostname="sink.test", authenticator=mailboxes,
                     auth_required=True, auth_require_tls=starttls,
                     tls_context=context if starttls else None, require_starttls=starttls),
        "127.0.0.1", port, ssl=context if tls == "implicit" else None)
    print(f"listening on {server.sockets[0].getsockname()[1]}", flush=True)
    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_signal_handler(signal.SIGINT, stop.set)
    await stop.wait()
    server.close()
    await server.wait_closed()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--dir", required=True)
    parser.add_argument("--codes", required=True)
    parser.add_argument("--logins", required=True)
    parser.add_argument("--tls", choices=["none", "implicit", "starttls"], default="none")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--script", action="append", default=[])
    args = parser.parse_args()
    os.makedirs(args.dir, exist_ok=True)
    context = None
    if args.tls != "none":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    script = Script(args.script)
    asyncio.run(serve(args.port, args.dir, args.tls, context, script,
                      Mailboxes(args.codes, args.logins, script)))


if __name__ == "__main__":
    main()

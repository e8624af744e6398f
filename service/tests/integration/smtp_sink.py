"""Loopback SMTP server for the reminder service's integration tests.

Accepts any login (and requires one), and stores every message as a small text file:
"name: value" lines (login, password, envelope and decoded headers), a blank line, then
the decoded body. Prints "listening on PORT" once it accepts connections. With --tls it
speaks TLS from the first byte ("implicit") or only after STARTTLS, which it then
requires before login ("starttls").
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


class Sink:
    def __init__(self, folder):
        self.folder = folder

    async def handle_DATA(self, server, session, envelope):
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


def authenticate(server, session, envelope, mechanism, auth_data):
    return AuthResult(success=isinstance(auth_data, LoginPassword), auth_data=auth_data)


async def serve(port, folder, tls, context):
    loop = asyncio.get_running_loop()
    sink = Sink(folder)
    starttls = tls == "starttls"
    server = await loop.create_server(
        lambda: SMTP(sink, hostname="sink.test", authenticator=authenticate,
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
    parser.add_argument("--tls", choices=["none", "implicit", "starttls"], default="none")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    os.makedirs(args.dir, exist_ok=True)
    context = None
    if args.tls != "none":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    asyncio.run(serve(args.port, args.dir, args.tls, context))


if __name__ == "__main__":
    main()

"""A local SMTP server for the mail tests.

Listens on 127.0.0.1 at a free port, prints "PORT <n>" once it accepts
connections, and stores every message it receives as <n>.json in the given
folder: the envelope, the raw headers, and the subject and body as a mail
client decodes them, and whether the session was encrypted. Recipients
whose address starts with "refuse" are refused with 550. With a certificate
and key file after the folder it offers STARTTLS. With --auth=USER:PASSWORD
anywhere among the arguments it requires SMTP AUTH (also without TLS, as a
server on this machine may) with that login, and records the login name.
Runs until terminated.
"""
import asyncio
import email
import email.policy
import json
import logging
import os
import socket
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refuse"):
            return "550 5.1.1 mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or envelope.content
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        part = msg.get_body(preferencelist=("plain",)) or msg
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": list(envelope.rcpt_tos),
            "headers": {k: str(v) for k, v in msg.items()},
            "raw_headers": raw.split(b"\r\n\r\n", 1)[0].decode("ascii", "replace"),
            "subject": str(msg["subject"]),
            "charset": part.get_content_charset(),
            "transfer_encoding": part.get("Content-Transfer-Encoding", ""),
            "body": part.get_content(),
            "tls": session.ssl is not None,
            "login": session.auth_data.login.decode() if session.authenticated else None,
        }
        self.count += 1
        path = os.path.join(self.folder, "%d.json" % self.count)
        with open(path + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.replace(path + ".tmp", path)
        return "250 Message accepted"


def authenticator_for(login):
    user, password = login.split(":", 1)

    def check(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user
              and auth_data.password.decode() == password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    return check


async def main(folder, cert=None, key=None, login=None):
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)  # refused handshakes are expected
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", 0))
    sock.listen(8)
    handler = Store(folder)
    loop = asyncio.get_running_loop()
    context = None
    if cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(cert, key)
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="sink.test", tls_context=context,
                     **auth_options(login)), sock=sock)
    print("PORT %d" % sock.getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


def auth_options(login):
    if not login:
        return {}
    return {"authenticator": authenticator_for(login), "auth_required": True, "auth_require_tls": False}


if __name__ == "__main__":
    logins = [a[len("--auth="):] for a in sys.argv[1:] if a.startswith("--auth=")]
    rest = [a for a in sys.argv[1:] if not a.startswith("--auth=")]
    rest += [None] * (3 - len(rest))
    asyncio.run(main(*rest[:3], login=logins[0] if logins else None))

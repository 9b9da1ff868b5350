#!/usr/bin/python3
"""The tests' mail server (aiosmtpd): smtp_server.py PORT MODE FOLDER USER PASSWORD.
Listens on 127.0.0.1:PORT (0: any free one) and says "listening <port>"; a line "mode <mode>"
on stdin switches the mode and is echoed. An accepted message is kept in FOLDER as <n>.eml,
<n>.json (what a reader sees) and <n>.<i> (its attachments); FOLDER/cert.pem is made once."""
import asyncio, email, email.policy, json, os, ssl, subprocess, sys
from aiosmtpd.smtp import SMTP, AuthResult

port, mode, folder, user, password = int(sys.argv[1]), *sys.argv[2:6]
cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
if not os.path.exists(cert):
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                    "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
tls.load_cert_chain(cert, key)
kept = len([f for f in os.listdir(folder) if f.endswith(".eml")])  # before a restart

def keep(raw):
    global kept
    kept += 1
    base = os.path.join(folder, "%05d" % kept)
    with open(base + ".eml", "wb") as f:
        f.write(raw)
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    attachments = []
    for i, part in enumerate(msg.iter_attachments()):
        with open("%s.%d" % (base, i), "wb") as f:
            f.write(part.get_content())
        attachments.append({"name": part.get_filename(), "file": "%s.%d" % (base, i)})
    sender, body = msg["From"].addresses[0], msg.get_body(("plain",))
    sidecar = {"fromName": sender.display_name, "from": sender.addr_spec,
               "to": [a.addr_spec for a in msg["To"].addresses], "subject": str(msg["Subject"]),
               "messageId": str(msg["Message-ID"] or "").strip("<>"),
               "body": body.get_content().replace("\r\n", "\n"), "attachments": attachments}
    with open(base + ".tmp", "w", encoding="utf-8") as f:
        json.dump(sidecar, f, ensure_ascii=False)
    os.rename(base + ".tmp", base + ".json")  # a reader never sees half of it

class Handler:
    async def handle_RCPT(self, server, session, envelope, address, options):
        if mode.startswith("refuse"):
            return {"refuse-temporary": "451 4.7.1 Greylisted, please try again later",
                    "refuse-permanent": "550 5.1.1 No such user here"}[mode]
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        keep(envelope.original_content)
        return "250 2.0.0 Message accepted"

class Server(SMTP):
    async def smtp_DATA(self, arg):
        if mode != "drop" or not self.envelope.rcpt_tos:
            return await super().smtp_DATA(arg)
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        await self._reader.readline()  # a part of the message, then the line goes dead
        self.transport.abort()

def authenticate(server, session, envelope, mechanism, data):
    ok = (data.login, data.password) == (user.encode(), password.encode())
    return AuthResult(success=ok, handled=False)  # handled: no 535 would be sent

def connection():
    if mode == "silent":
        return asyncio.Protocol()  # takes the connection and never says a word
    starttls = mode in ("starttls", "auth")
    return Server(Handler(), hostname="localhost", tls_context=tls if starttls else None,
                  require_starttls=starttls, auth_required=mode == "auth",
                  authenticator=authenticate if mode == "auth" else None)

async def main():
    global mode, port
    loop = asyncio.get_running_loop()
    listen = lambda: loop.create_server(connection, "127.0.0.1", port, reuse_address=True,
                                        ssl=tls if mode == "tls" else None)
    server = await listen()
    port = server.sockets[0].getsockname()[1]
    print("listening", port, flush=True)
    while line := await loop.run_in_executor(None, sys.stdin.readline):
        was_tls, mode = mode == "tls", line.split()[1]
        if was_tls != (mode == "tls"):
            server.close()
            server = await listen()
        print("mode", mode, flush=True)

asyncio.run(main())

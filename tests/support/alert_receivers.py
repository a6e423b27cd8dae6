"""Loopback receivers for the alerts: an HTTPS webhook, and an SMTP server that requires STARTTLS
and a login (user and password as given). The n-th message of each becomes OUT/webhook-n.txt (its
path and its body as indented JSON) or OUT/mail-n.txt (recipients, subject, text). A webhook path
under /fail answers 500. OUT/ports names the two ports once both listen."""
import email, email.policy, http.server, json, os, socket, ssl, sys, threading, time, warnings
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

out, cert, key, user, password = sys.argv[1:6]
warnings.simplefilter("ignore")
tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
tls.load_cert_chain(cert, key)
counts = {"webhook": 0, "mail": 0, "line": 0}
line_keys_tried = set()


def keep(kind, text):
    counts[kind] += 1
    # Written before the answer goes out, so complete by the time the sender reads it.
    with open(os.path.join(out, f"{kind}-{counts[kind]}.txt"), "w", encoding="utf-8") as f:
        f.write(text)


class Hook(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        try:
            text = json.dumps(json.loads(body), ensure_ascii=False, indent=1)
        except ValueError:
            text = "not JSON: " + body.decode("utf-8", "replace")
        if "/v2/bot/message/" in self.path:
            return self.line(text)
        keep("webhook", self.path + "\n" + text)
        answer = b"refused" if self.path.startswith("/fail") else b"ok"
        self.send_response(500 if answer == b"refused" else 200)
        self.end_headers()
        self.wfile.write(answer)

    def line(self, text):
        """LINE's API: OUT/line-n.txt holds the path, the Authorization, Content-Type and
        X-Line-Retry-Key headers, the body, "---" and the message's text as sent. Under /line500 the
        first try of each retry key answers 500; under /line429 every message answers LINE's
        monthly limit."""
        key = self.headers.get("X-Line-Retry-Key", "")
        headers = "".join(f"{name}: {self.headers.get(name)}\n" for name in
                          ("Authorization", "Content-Type", "X-Line-Retry-Key"))
        try:
            message = json.loads(text)["messages"][0]["text"]
        except (ValueError, KeyError, IndexError, TypeError):
            message = ""
        keep("line", self.path + "\n" + headers + text + "\n---\n" + message)
        status, answer = 200, b"{}"
        if self.path.startswith("/line500") and key not in line_keys_tried:
            line_keys_tried.add(key)
            status, answer = 500, b'{"message":"An error occurred in the backend server."}'
        elif self.path.startswith("/line429"):
            status, answer = 429, b'{"message":"You have reached your monthly limit."}'
        self.send_response(status)
        self.end_headers()
        self.wfile.write(answer)


class Mail:
    async def handle_DATA(self, server, session, envelope):
        message = email.message_from_bytes(envelope.content, policy=email.policy.default)
        keep("mail", f"{' '.join(envelope.rcpt_tos)}\n{message['subject']}\n{message.get_content()}".replace("\r", ""))
        return "250 Message accepted"


def login(server, session, envelope, mechanism, data):
    return AuthResult(success=data.login.decode() == user and data.password.decode() == password)


web = http.server.HTTPServer(("127.0.0.1", 0), Hook)
web.socket = tls.wrap_socket(web.socket, server_side=True)
threading.Thread(target=web.serve_forever, daemon=True).start()
probe = socket.create_server(("127.0.0.1", 0))
smtp_port = probe.getsockname()[1]
probe.close()
Controller(Mail(), hostname="127.0.0.1", port=smtp_port, tls_context=tls, require_starttls=True,
           authenticator=login, auth_required=True).start()
with open(os.path.join(out, "ports.part"), "w") as f:
    f.write(f"{web.server_port} {smtp_port}")
os.rename(os.path.join(out, "ports.part"), os.path.join(out, "ports"))
while True:
    time.sleep(3600)

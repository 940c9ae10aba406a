# An https server on 127.0.0.1 that answers every request with a redirect.
#   redirect_server.py CERTIFICATE KEY LOCATION
# Prints "port N" once it listens, and "redirected PATH" for each answer.
import http.server
import ssl
import sys

certificate, key, location = sys.argv[1:4]


class Redirect(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()
        print("redirected", self.path, flush=True)

    def log_message(self, *arguments):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Redirect)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(certificate, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print("port", server.server_address[1], flush=True)
server.serve_forever()

"""An HTTP server on 127.0.0.1 that serves the files of one folder, for the
tests whose client must not share its process with the server (a 32-bit test
process under user-mode emulation survives one extra thread at a time, not a
server's). A thread per connection; a connection silent for 30 s is closed.

    folder_http_server.py FOLDER

Writes the chosen port to FOLDER/port once it listens. A file NAME served
with a sibling NAME.delay waits that many milliseconds before answering. A
request in a proxy's form ("GET http://host/path") is answered from the path,
so the server also stands in for a proxy to any host."""
import http.server
import os
import sys
import time
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    timeout = 30

    def do_GET(self):
        if self.path.startswith(("http://", "https://")):
            self.path = urllib.parse.urlsplit(self.path)._replace(scheme="", netloc="").geturl() or "/"
        path = self.translate_path(self.path)
        try:
            with open(path + ".delay") as delay:
                time.sleep(int(delay.read().strip() or "0") / 1000)
        except (OSError, ValueError):
            pass
        super().do_GET()

    def log_message(self, *args):
        pass


def main():
    folder = os.path.abspath(sys.argv[1])
    handler = lambda *a, **k: Handler(*a, directory=folder, **k)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    with open(os.path.join(folder, "port.tmp"), "w") as port:
        port.write(str(server.server_address[1]))
    os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
    server.serve_forever()


main()

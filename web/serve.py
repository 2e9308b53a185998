#!/usr/bin/python3
"""Serves the page on 127.0.0.1 with the content types browsers insist on.

    serve.py [DIR] [PORT]      DIR defaults to build-web, PORT to 8019
"""
import functools
import http.server
import sys

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
}


class PageHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES)

    def log_message(self, *args):
        pass


def make_server(directory, port):
    handler = functools.partial(PageHandler, directory=directory)
    return http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else "build-web"
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 8019
    server = make_server(directory, port)
    print("Serving the show at http://127.0.0.1:%d/ (Ctrl-C ends)" % server.server_address[1],
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())

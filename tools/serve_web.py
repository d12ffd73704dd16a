#!/usr/bin/env python3
"""Serves the web page's folder on this machine, compressed as most web servers send it.

    python3 tools/serve_web.py FOLDER [PORT] [--bind ADDRESS]

A browser that accepts gzip (every one does) gets each file gzipped, with Content-Encoding and
the compressed Content-Length, which halves the download; any other client gets the files as
they are. Python's own http.server sends everything uncompressed. Files are compressed once
and kept while unchanged.
"""
import argparse
import functools
import gzip
import http.server
import os
import sys

TYPES = {'.wasm': 'application/wasm', '.js': 'text/javascript', '.data': 'application/octet-stream',
         '.html': 'text/html; charset=utf-8'}


class Handler(http.server.SimpleHTTPRequestHandler):
    packed = {}  # path -> (modification time, gzipped bytes)

    def guess_type(self, path):
        return TYPES.get(os.path.splitext(path)[1]) or super().guess_type(path)

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, 'index.html')
        accepts = 'gzip' in self.headers.get('Accept-Encoding', '')
        if not accepts or not os.path.isfile(path) or not self.path.startswith('/'):
            return super().send_head()
        stamp = os.stat(path).st_mtime_ns
        kept = Handler.packed.get(path)
        if not kept or kept[0] != stamp:
            with open(path, 'rb') as file:
                kept = (stamp, gzip.compress(file.read(), 9))
            Handler.packed[path] = kept
        body = kept[1]
        self.send_response(200)
        self.send_header('Content-Type', self.guess_type(path))
        self.send_header('Content-Encoding', 'gzip')
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Vary', 'Accept-Encoding')
        self.end_headers()
        return _Bytes(body)


class _Bytes:
    """The body as the handler's copyfile reads it."""

    def __init__(self, data):
        self.data = data

    def read(self, *_):
        data, self.data = self.data, b''
        return data

    def close(self):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('folder')
    parser.add_argument('port', nargs='?', type=int, default=8000)
    parser.add_argument('--bind', default='127.0.0.1')
    args = parser.parse_args()
    handler = functools.partial(Handler, directory=args.folder)
    with http.server.ThreadingHTTPServer((args.bind, args.port), handler) as server:
        print(f'Serving HTTP on {args.bind} port {server.server_address[1]} '
              f'(gzip) ...', flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == '__main__':
    sys.exit(main())

"""A minimal POP3 server for the POP-before-SMTP test.

Listens on 127.0.0.1 at a free port, prints "PORT <n>", accepts the user
and password given on the command line, and appends every command it
receives to the log file given (one line each). No STLS, no CAPA.
"""
import socket
import sys


def serve(conn, log, user, password):
    f = conn.makefile("rwb")
    f.write(b"+OK stub ready\r\n")
    f.flush()
    given_user = None
    for line in f:
        text = line.decode("utf-8", "replace").rstrip("\r\n")
        with open(log, "a", encoding="utf-8") as out:
            out.write(text + "\n")
        word = text.split(" ", 1)[0].upper()
        arg = text.split(" ", 1)[1] if " " in text else ""
        if word == "USER":
            given_user = arg
            reply = "+OK"
        elif word == "PASS":
            reply = "+OK logged in" if (given_user == user and arg == password) else "-ERR denied"
        elif word in ("NOOP", "STAT"):
            reply = "+OK"
        elif word == "QUIT":
            f.write(b"+OK bye\r\n")
            f.flush()
            return
        else:
            reply = "-ERR unknown"
        f.write((reply + "\r\n").encode())
        f.flush()


def main():
    log, user, password = sys.argv[1], sys.argv[2], sys.argv[3]
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", 0))
    sock.listen(8)
    print("PORT %d" % sock.getsockname()[1], flush=True)
    while True:
        conn, _ = sock.accept()
        try:
            serve(conn, log, user, password)
        except OSError:
            pass
        finally:
            conn.close()


if __name__ == "__main__":
    main()

'''Runs the mock udisks2 of udisks2_template.py on a private D-Bus bus for the eject tests.

Prints "address ADDRESS" once the mock answers on the bus, or "skip REASON" and ends when
python3-dbusmock is not installed. Then answers commands on standard input, one a line:

  player JSON   lays out the player's drive (see udisks2_template.py); answers "ok"
  calls         answers the calls udisks2 got since the last "player" or "calls", one a line,
                then "."
  stop          takes udisks2 off the bus, as on a machine where it does not run; answers "ok"
  start         puts it back, with nothing laid out; answers "ok"

At the end of input the mock and the bus are stopped. Nothing here talks to the machine's own
buses.
'''

import os
import subprocess
import sys
import tempfile

try:
    import dbus
    from dbusmock import DBusTestCase
except ImportError as e:
    print(f'skip python3-dbusmock is not installed ({e})', flush=True)
    sys.exit(0)

TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'udisks2_template.py')
CONTROL_IFACE = 'io.plondex.test.Udisks2Mock'

BUS_CONFIG = '''<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <policy context="default">
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>
'''


def start_bus(folder):
    config = os.path.join(folder, 'bus.conf')
    with open(config, 'w', encoding='utf-8') as f:
        f.write(BUS_CONFIG.format(folder=folder))
    log = os.path.join(folder, 'bus.log')
    with open(log, 'w', encoding='utf-8') as errors:
        daemon = subprocess.Popen(['dbus-daemon', '--config-file=' + config, '--nofork',
                                   '--print-address=1'], stdout=subprocess.PIPE, stderr=errors,
                                  text=True)
    address = daemon.stdout.readline().strip()
    if not address:
        with open(log, encoding='utf-8') as errors:
            raise RuntimeError('dbus-daemon did not start: ' + errors.read())
    return daemon, address


def start_udisks2():
    server, main = DBusTestCase.spawn_server_template(TEMPLATE, stdout=subprocess.DEVNULL,
                                                      system_bus=False)
    return server, dbus.Interface(main, CONTROL_IFACE)


def stop(process):
    process.terminate()
    process.wait()


def main():
    with tempfile.TemporaryDirectory(prefix='plondex-dbus-') as folder:
        bus, address = start_bus(folder)
        # dbusmock finds the bus it serves, and its own client the mock, through this variable.
        os.environ['DBUS_SESSION_BUS_ADDRESS'] = address
        server, control = start_udisks2()
        print('address', address, flush=True)
        try:
            for line in sys.stdin:
                command, _, argument = line.rstrip('\n').partition(' ')
                if command == 'player':
                    control.SetUpPlayer(argument)
                    print('ok', flush=True)
                elif command == 'calls':
                    for call in control.TakeCalls():
                        print(call)
                    print('.', flush=True)
                elif command == 'stop':
                    stop(server)
                    print('ok', flush=True)
                elif command == 'start':
                    server, control = start_udisks2()
                    print('ok', flush=True)
                else:
                    print('unknown command', command, flush=True)
        finally:
            if server.poll() is None:
                stop(server)
            stop(bus)


if __name__ == '__main__':
    main()

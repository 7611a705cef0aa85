'''dbusmock template: udisks2 as the eject tests need it.

An object manager at /org/freedesktop/UDisks2 with the machine's own disk (mounted at "/") and
the player: its whole disk, its partition with the file system, and its drive. SetUpPlayer
(control interface below) lays them out anew from a JSON object:

  mount_point     where the player's file system is mounted
  other_mount_points  where else it is mounted (default nowhere)
  left_after_unmount  where it is still mounted once Filesystem.Unmount has succeeded (default
                  nowhere; udisks2 takes away only the mount it made)
  unmount_ms      how many milliseconds Filesystem.Unmount takes to answer, as when it waits
                  for the user to allow it (default 0; the mock answers nothing else meanwhile)
  can_power_off   the drive's CanPowerOff (default true)
  ejectable       the drive's Ejectable (default false)
  unmount_error   [D-Bus error name, message] that Filesystem.Unmount answers with, or absent
  stop_error      the same for Drive.PowerOff and Drive.Eject

TakeCalls answers the calls made since the last TakeCalls or SetUpPlayer, in order, each as
"OBJECT-PATH INTERFACE.METHOD(ARGUMENTS)".
'''

import json
import time

import dbus
from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
MAIN_IFACE = 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = False
IS_OBJECT_MANAGER = True

CONTROL_IFACE = 'io.plondex.test.Udisks2Mock'
OBJECT_MANAGER_IFACE = 'org.freedesktop.DBus.ObjectManager'
BLOCK_IFACE = 'org.freedesktop.UDisks2.Block'
FILESYSTEM_IFACE = 'org.freedesktop.UDisks2.Filesystem'
DRIVE_IFACE = 'org.freedesktop.UDisks2.Drive'

SYSTEM_DRIVE = MAIN_OBJ + '/drives/System_Disk'
PLAYER_DRIVE = MAIN_OBJ + '/drives/IHP_120_0123'

CALLS = []


def record(path, interface, method, args):
    shown = ', '.join(json.dumps(a) if not isinstance(a, dict) else json.dumps(dict(a))
                      for a in args)
    CALLS.append(f'{path} {interface}.{method}({shown})')


def answering(interface, method, error, seconds=0, then=None):
    '''A method body that records its call, takes seconds, then fails with error ([name,
    message]) if given, or else calls then(self).'''
    def body(self, *args):
        record(self.path, interface, method, args)
        time.sleep(seconds)
        if error:
            raise dbus.exceptions.DBusException(error[1], name=error[0])
        if then:
            then(self)
    return body


def mount_points(*points):
    return dbus.Array([dbus.ByteArray(p.encode() + b'\0') for p in points], signature='ay')


def add_drive(mock, path, can_power_off, ejectable, stop_error):
    mock.AddObject(path, DRIVE_IFACE, {
        'CanPowerOff': dbus.Boolean(can_power_off),
        'Ejectable': dbus.Boolean(ejectable),
        'Id': dbus.String(path.rsplit('/', 1)[1]),
    }, [])
    drive = mockobject.objects[path]
    for method in ('PowerOff', 'Eject'):
        drive.AddMethod(DRIVE_IFACE, method, 'a{sv}', '',
                        answering(DRIVE_IFACE, method, stop_error))


def add_block(mock, name, drive, points=None, unmount=None):
    '''A block device; with points, one that holds a file system mounted there. unmount: the
    player's layout, for how Filesystem.Unmount answers.'''
    unmount = unmount or {}
    path = MAIN_OBJ + '/block_devices/' + name
    mock.AddObject(path, BLOCK_IFACE, {
        'Device': dbus.ByteArray(b'/dev/' + name.encode() + b'\0'),
        'Drive': dbus.ObjectPath(drive),
    }, [])
    if points is not None:
        block = mockobject.objects[path]
        block.AddProperties(FILESYSTEM_IFACE, {'MountPoints': mount_points(*points)})
        left = mount_points(*unmount.get('left_after_unmount', []))
        block.AddMethod(FILESYSTEM_IFACE, 'Unmount', 'a{sv}', '',
                        answering(FILESYSTEM_IFACE, 'Unmount', unmount.get('unmount_error'),
                                  unmount.get('unmount_ms', 0) / 1000,
                                  lambda self: self.UpdateProperties(FILESYSTEM_IFACE,
                                                                     {'MountPoints': left})))


def load(mock, parameters):
    def managed_objects(self):
        record(self.path, OBJECT_MANAGER_IFACE, 'GetManagedObjects', [])
        return {dbus.ObjectPath(k): o.props for k, o in mockobject.objects.items()
                if k.startswith(MAIN_OBJ + '/')}
    mock.AddMethod(OBJECT_MANAGER_IFACE, 'GetManagedObjects', '', 'a{oa{sa{sv}}}',
                   managed_objects)


@dbus.service.method(CONTROL_IFACE, in_signature='s', out_signature='')
def SetUpPlayer(self, layout):
    player = json.loads(layout)
    for path in [p for p in mockobject.objects if p.startswith(MAIN_OBJ + '/')]:
        self.RemoveObject(path)
    add_drive(self, SYSTEM_DRIVE, True, False, None)
    add_block(self, 'sda1', SYSTEM_DRIVE, ['/'])
    add_drive(self, PLAYER_DRIVE, player.get('can_power_off', True),
              player.get('ejectable', False), player.get('stop_error'))
    add_block(self, 'sdb', PLAYER_DRIVE)
    add_block(self, 'sdb1', PLAYER_DRIVE,
              [player['mount_point']] + player.get('other_mount_points', []), player)
    # A loop device's file system that is not mounted anywhere.
    add_block(self, 'loop0', '/', [])
    CALLS.clear()


@dbus.service.method(CONTROL_IFACE, in_signature='', out_signature='as')
def TakeCalls(self):
    calls = list(CALLS)
    CALLS.clear()
    return calls

"""Modbus RTU slave 1 on a serial device, for checking kestrane-link against
an independent implementation. Holding registers 0..99 (zero-based), so an
address of 100 or above draws exception 2."""
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartSerialServer
from pymodbus.transaction import ModbusRtuFramer


def main():
    port = sys.argv[1]
    block = ModbusSequentialDataBlock(0, [0] * 100)
    block.setValues(2, [0xFE0C, 0xFFFF])  # X = -0.500 mm
    slave = ModbusSlaveContext(hr=block, zero_mode=True)
    context = ModbusServerContext(slaves={1: slave}, single=False)
    StartSerialServer(context=context, framer=ModbusRtuFramer, port=port,
                      baudrate=57600, bytesize=8, parity="N", stopbits=1,
                      timeout=0.05)


if __name__ == "__main__":
    main()

// placeholder: the platform calls of the serial port
#pragma once

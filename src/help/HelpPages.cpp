// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/HelpPages.h"

namespace purlo {

// The help pages in ring order. The texts are the probe's documentation as
// the operators know it, spelling included; do not correct them. A paragraph
// longer than a source line is written as adjacent literals, on purpose.
// NOLINTBEGIN(bugprone-suspicious-missing-comma)
const std::vector<HelpPage>& helpPages() {
    static const std::vector<HelpPage> pages{
        {{"", "Z"},
         " [Z] Restart the Purlo Probe.",
         {
             "Z resets the probe microcontroller. The probe will start again with the last saved "
             "parameters (W).",
         }},
        {{"S"},
         " [S] Default Setting.",
         {
             "Command S resets all the parameters to default setting. The default setting can not "
             "be overwritten, but may be saved to the probe.",
             "Send default command [S] and read all default values with the Purlo program or after "
             "sending [S] + [p] with a communication terminal.",
         }},
        {{"W"},
         " [W] Write all Parameters.",
         {
             "Command W writes (saves) all the (changed) parameters into the probe microcontroller "
             "non volatile flash EEPROM. By next power up or reset, the last saved parameters will "
             "be used for further processing.",
         }},
        {{"m", "d", "D"},
         " [D] > [d] < Dead time.     [m] Return Dead Time.",
         {
             "D d increases/decreases the dead time distance with 1cm. Any signal received in this "
             "time, short time just after the burst, will not be marked as a valid distance echo.",
             "This distance should not be too short to prevent the burst noise to be taken as a "
             "valid echo signal.",
             "[m] return the dead time without changing it.",
         }},
        {{"x", "b", "B"},
         " [B] > [b] < probe Baudrate.   [x] Return Baud rate.",
         {
             "The command B b increases (*2) decreases (/2) the probe baud rate. This new value "
             "will only take effect if saved into the probe [W] and after restart [Z] or powerup. "
             "Choose maximum baud rate to speed up the graphic diagram refresh if used.",
             "Choose minimum baud rate for long distance communication between probe and PC or "
             "terminal where no graphic need to be displayed.",
             "[x] return only the ultrasonic probe baud rate.",
         }},
        {{"c"},
         " [c] Return Probe temperature sensor.",
         {
             "Sending command c will return the probe temperature in 1/10 degrees celcius. The "
             "temperature is mesured under the circuit and next to the ultrasonic transducer. This "
             "position give as result a close temperature value of the top air cullom in the pipe, "
             "but the bottom temperature of the bottom remains unknown",
         }},
        {{"?"},
         " [?] Return distance info.",
         {
             "? Returns the actual measured distance from transducer to liquid. ( ex: D2145 ) for "
             "2145mm.  Check command receive mode, especially mode 3 where info's are only send on "
             "request with there apropriate command.",
         }},
        {{"1", "2", "3"},
         " [1] , [2] or [3] Set the probe transmit mode.       [o]",
         {
             "Sending 1, 2 or 3 to the probe force data's send mode to; 1, send info non stop. 2, "
             "just before each new burst. 3, only on request. This with the actual probe baud rate "
             "setting. ",
             "Sending command [o] to the probe return the actual transmit mode (without changing "
             "its value).",
             "",
             "The diagram display and the parameter refresh stop in mode 3. Request for a "
             "parameter value is done with its appropriate command sent to the probe. The probe "
             "can be forced to send a display line diagram by sending [=].",
         }},
        {{"h"},
         " [h] return all available commands.",
         {
             "Sending charater h to the probe makes it send back a small text file containing ALL "
             "available commands. This command is non relevant with the Purlo program where all "
             "this happens automatically, but helpfull when the ultrasonic probe is used with a "
             "terminal or any simple communication program, where command characters are send "
             "manually one after each other. Therefore, the list is not shown with the Purlo "
             "program that already has extended command information.",
         }},
        {{"A"},
         " [A]  Auto tune.    [a] return tune mode.",
         {
             "A activates the Purlo Auto tune function. From there the parameters are adjusted in "
             "the probe in order to track the distance info over the full range. If this parameter "
             "is saved into the probe, the Auto tune mode [A] is selected at power up.",
         }},
        {{"M"},
         " [M]  Manual tune.    [a] return tune mode.",
         {
             "M disables the Auto tune mode and sets the probe to manual control. Use Manual "
             "control to ajust any parameter. After power up or reset, if Manual mode was saved, "
             "the probe starts to work with the saved parameters and will not adjust or change "
             "any.",
             "Manual mode enables to adjust the working of the probe on a selected range and pipe "
             "shape.",
         }},
        {{"P", "r", "R"},
         " [R] > [r] < Burst Periode.   [P] Return value.",
         {
             "R r in/decreases the periode amount sent with each ultrasonic pulse burst.",
             "The default setting is 4 periodes. Watch the burst noise (Bd) while increasing this "
             "parameter and make sure that the Dead Time is long enough.",
             "[P] return the periode amount value (no change).",
         }},
        {{"j", "i", "I"},
         " [I] > [i] Burst Interval.     [j] return interval.",
         {
             "I i in/decreases the interval between each ultrasonic burst.",
             "Choose a large interval if there is no need to have a high burst rate when only a "
             "distance level control (display or screen) is used and the liquid level is not "
             "supposed to change quickly.",
             "This may save power. As to the life time of the transducer, it should not make any "
             "difference. The transducer is low voltage driven and passed long tests over 100V.",
             "Value are aproxmatly in s/10 but depends on other factors like diagram refresh and "
             "command/return baudrate periode amount and more. Set the [i] low as possible to get "
             "a continue diagram drawing within the Purlo program.",
             "However a too low [i] value may not give the probe enough time to manage all "
             "commands sent by the purlo program.",
         }},
        {{"g"},
         " [g] Return Burst bounce value.",
         {
             "Sending command g, returns the Burst bounce (help if you know a better name!).",
             "The Burst bounce is the value of all received pulses just after the burst and before "
             "Dead time is elapsed.",
             "These are the oscillations of the transducer after the burst, the echo of the physic "
             "irregularyties of the mechanic probe connection to the pipe, quasy immediate "
             "standing waves created by the presure of the ultrasonic burst and the reflection of "
             "the air gap, the channel that lets escape the air of the pipe.",
             "Notice value change of the Burst bounce while manually adjusting parameters.",
         }},
        {{"e"},
         " [e] return echo bounce value of received signal.",
         {
             "Sending command e returns the Echo bounce. The echo bounce is the amount of pulses "
             "received by the transducer starting from the first one marking a valid echo (after "
             "the Deadtime) until no more signal is received for this last burst.",
             " Increasing the burst length [R] and/or burst voltage [U], will make the sound wave "
             "produce more than one echo as visible on the line diagram and Eb. if too strong, the "
             "burst will make more dan one traject. Down to the liquid level, up to the transducer "
             "(at this moment the echo will be marked as valid) and down and up again.",
             "Having a stronger burst/echo is of no big matter in an open field air ultrasonic "
             "wave stream. But in a small air channel like a pipe, the measure can noticably be "
             "influenced.",
         }},
        {{"q", "f", "F"},
         " [F] > [f] < Transducer Frequency.  [q] return Frequency.",
         {
             "F f in/decreases the ultrasonic transducer frequency.",
             "This 25Kc, very high quality transducer, still gives good result on other "
             "frequencies.",
             "The frequency is set by default to 25 Kilo-Cycles/s. But can be < > tuned. The new "
             "working Fq can be saved as the rest.",
             "If wanted, one can replace the 25Kc transducer by a small band 40kc (maximum tested) "
             "type without further change.",
             "",
             "Valuable results are noticable while tuning the frequencie because of the "
             "interaction of the physic aspect Ultrasonic waves/pipe shape and diameter.",
             "The frequency is not really calculated but come from an inside list according to the "
             "cristal fq of the probe. Measurements have been done within 0.5%.",
         }},
        {{"s", "u", "U"},
         " [U] > [u] < Transducer voltage.  [s] return voltage.",
         {
             "U u in/decreases the burst voltage on the ultrasonic transducer.",
             "24dc probe supply will give a maximum of app. 20V on the transducer. For 12Vdc, half "
             "of it.",
             "A few volt is enough with this high quality transducer for 3 meter in a clean PVC "
             "pipe.",
         }},
        {{"n"},
         " [n] return PWM output driver value.",
         {
             "n returns the (8bit) Pulse Wide Modulation value of the transducer output driver. "
             "This is a control value using to tell if the driver is operating.",
             "On this low duty voltage, the driver is not likely to be damaged. This feature is "
             "more useful for high tension probe.",
         }},
        {{"k", "t", "T"},
         " [T] > Temperature coeficient.   [k] Return the coeficient.",
         {
             "Sending T t In/decreases the temperature propagation coeficient of ultrasonic sound "
             "waves in air.",
             "This parameter is used by the micro-computer probe, to calculate a more accurate "
             "time/distance echo.",
             "The default value is 0.60m/s/C. This is approximately the general admitted "
             "increasing of ultrasound propagation speed in air per degree Celcius.",
             "Known as a Constant, there should be no need to change this value. But as all the "
             "other parameter it is possible to change and save it.",
             "The parameter changes are made with [T] or [t]:",
             "0.59  0,58  0,60  0,61  0,62 ...... ",
         }},
        {{"w", "v", "V"},
         " [v] < [V] > US speed.   [w] Return speed.",
         {
             "Sending v V decrease/increases the ultrasonic propagation speed value.",
             "The default value is 331,0 m/s (0/C). But because other factors can influence the "
             "propagation speed of sound waves in air (vapour/P/gas...), the parameter can be "
             "adjusted to best knowledge.",
             "The parameter changes are made with [v] or [V] in steps of 0,1 m/s",
         }},
        {{"Y", "4", "5"},
         " [4] < [5] > Sample rate.   [Y] Return Sample rate.",
         {
             "4  5  de/increases the sample rate of the displayed graphic line.",
             "The sampling is done by the microcontroller probe and sent to the PC. The bits of "
             "the sent bytes are reflecting the level of the transducer amplifier receiver, high "
             "or low. The Sampling rate add a delay between the sampling bits.",
             "This parameter has only effect on the displayed graphic line 1, 2 or 3. It changes a "
             "little the visible result with the horizontal zooming. It can be saved into the "
             "probe all together with the other parameters.",
         }},
        {{"="},
         " [=] Return graphic line.",
         {
             " = Makes the probe send the next Burst as a graphic line.",
             "A burst is first sent with the current setting and all echoed pulses are encoded and "
             "sent real time via the serial line to the PC.",
             "This starts immediately after the last periode burst and from there, all signals "
             "received by the transducer, but strong enough to be a valid echo, are sent until the "
             "maximum range timing. Over the 6m (appx. 7m).",
         }},
        {{"#"},
         " [#] Start / Stop recording probe data's.",
         {
             "When command # is typed in the command text box and command button [C.S] is "
             "selected, the program starts recording all data's coming from the probe. Data are "
             "written to the Purlo.Spl file.",
             "This file is created in the Purlo program directory, if allready there, it will be "
             "overwritten, so save it first somewhere else.",
             "To stop the recorder function, enter # in the text box again and push [S.C] again. "
             "To view the recorded file, push command button # and then button start.",
         }},
    };
    return pages;
}
// NOLINTEND(bugprone-suspicious-missing-comma)

}  // namespace purlo

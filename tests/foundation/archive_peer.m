// The other side of the keyed-archive interoperability tests: the platform's own keyed archiver and
// unarchiver (GNUstep base), with the same packet class the library archives.
//
//   archive_peer decode KEY FILE   decodes the object under KEY and prints it on one line
//   archive_peer encode FILE       writes a packet with a payload of every kind under "packet"
//   archive_peer frames FILE       decodes a stream of message frames (8-byte native length, then a
//                                  keyed archive with the packet under "packet"), one line per frame
//
// Printed forms: S"text", N<objCType>:value, B:YES/NO, A[...], MA[...], D{key=value;...} (sorted keys),
// MD{...}, X<hex>, T<seconds since 2001>, P(type,action,data), nil.
#import <Foundation/Foundation.h>

#include <stdio.h>
#include <string.h>

@interface VelborPacket : NSObject <NSCoding>
{
    int type;
    int action;
    id data;
}
- (id)initWithData:(id)aData type:(int)aType action:(int)anAction;
- (int)type;
- (int)action;
- (id)data;
@end

@implementation VelborPacket
- (id)initWithData:(id)aData type:(int)aType action:(int)anAction
{
    if ((self = [super init])) {
        data = [aData retain];
        type = aType;
        action = anAction;
    }
    return self;
}
- (void)dealloc
{
    [data release];
    [super dealloc];
}
- (int)type { return type; }
- (int)action { return action; }
- (id)data { return data; }
- (void)encodeWithCoder:(NSCoder*)coder
{
    [coder encodeInt:type forKey:@"type"];
    [coder encodeInt:action forKey:@"action"];
    [coder encodeObject:data forKey:@"data"];
}
- (id)initWithCoder:(NSCoder*)coder
{
    if ((self = [super init])) {
        type = [coder decodeIntForKey:@"type"];
        action = [coder decodeIntForKey:@"action"];
        data = [[coder decodeObjectForKey:@"data"] retain];
    }
    return self;
}
@end

static NSString* describe(id value)
{
    if (value == nil || [value isKindOfClass:[NSNull class]]) {
        return @"nil";
    }
    if ([value isKindOfClass:[NSString class]]) {
        return [NSString stringWithFormat:@"S\"%@\"", value];
    }
    if ([value isKindOfClass:[NSNumber class]]) {
        const char* t = [value objCType];
        if (strcmp(t, "d") == 0 || strcmp(t, "f") == 0) {
            return [NSString stringWithFormat:@"N%s:%.17g", t, [value doubleValue]];
        }
        return [NSString stringWithFormat:@"N%s:%lld", t, [value longLongValue]];
    }
    if ([value isKindOfClass:[NSData class]]) {
        NSMutableString* s = [NSMutableString stringWithString:@"X"];
        const unsigned char* b = [value bytes];
        for (NSUInteger i = 0; i < [value length]; i++) {
            [s appendFormat:@"%02x", b[i]];
        }
        return s;
    }
    if ([value isKindOfClass:[NSDate class]]) {
        return [NSString stringWithFormat:@"T%.3f", [value timeIntervalSinceReferenceDate]];
    }
    if ([value isKindOfClass:[NSArray class]]) {
        NSMutableArray* parts = [NSMutableArray array];
        for (NSUInteger i = 0; i < [value count]; i++) {
            [parts addObject:describe([value objectAtIndex:i])];
        }
        NSString* prefix = [value isKindOfClass:[NSMutableArray class]] ? @"MA" : @"A";
        return [NSString stringWithFormat:@"%@[%@]", prefix, [parts componentsJoinedByString:@","]];
    }
    if ([value isKindOfClass:[NSDictionary class]]) {
        NSArray* keys = [[value allKeys] sortedArrayUsingSelector:@selector(compare:)];
        NSMutableString* s = [NSMutableString string];
        for (NSUInteger i = 0; i < [keys count]; i++) {
            id key = [keys objectAtIndex:i];
            [s appendFormat:@"%@=%@;", key, describe([value objectForKey:key])];
        }
        NSString* prefix = [value isKindOfClass:[NSMutableDictionary class]] ? @"MD" : @"D";
        return [NSString stringWithFormat:@"%@{%@}", prefix, s];
    }
    if ([value isKindOfClass:[VelborPacket class]]) {
        VelborPacket* packet = (VelborPacket*)value;
        return [NSString stringWithFormat:@"P(%d,%d,%@)", [packet type], [packet action], describe([packet data])];
    }
    return [NSString stringWithFormat:@"?%@", NSStringFromClass([value class])];
}

static int decode(NSString* key, NSString* path)
{
    NSData* bytes = [NSData dataWithContentsOfFile:path];
    if (bytes == nil) {
        printf("error: cannot read\n");
        return 2;
    }
    @try {
        NSKeyedUnarchiver* unarchiver = [[NSKeyedUnarchiver alloc] initForReadingWithData:bytes];
        id object = [unarchiver decodeObjectForKey:key];
        [unarchiver finishDecoding];
        printf("%s\n", [describe(object) UTF8String]);
        [unarchiver release];
    } @catch (NSException* e) {
        printf("error: %s\n", [[e reason] UTF8String]);
        return 3;
    }
    return 0;
}

static int frames(NSString* path)
{
    NSData* bytes = [NSData dataWithContentsOfFile:path];
    if (bytes == nil) {
        printf("error: cannot read\n");
        return 2;
    }
    NSUInteger at = 0;
    while (at < [bytes length]) {
        unsigned long long length = 0;
        if ([bytes length] - at < sizeof length) {
            printf("error: truncated header\n");
            return 3;
        }
        [bytes getBytes:&length range:NSMakeRange(at, sizeof length)];
        at += sizeof length;
        if (length > [bytes length] - at) {
            printf("error: truncated body\n");
            return 3;
        }
        NSData* body = [bytes subdataWithRange:NSMakeRange(at, (NSUInteger)length)];
        at += (NSUInteger)length;
        NSKeyedUnarchiver* unarchiver = [[NSKeyedUnarchiver alloc] initForReadingWithData:body];
        printf("%s\n", [describe([unarchiver decodeObjectForKey:@"packet"]) UTF8String]);
        [unarchiver finishDecoding];
        [unarchiver release];
    }
    return 0;
}

static int encode(NSString* path)
{
    NSMutableDictionary* mutable = [NSMutableDictionary dictionary];
    [mutable setObject:@"1" forKey:@"2"];
    VelborPacket* inner = [[[VelborPacket alloc] initWithData:@"x" type:1 action:2] autorelease];
    const char bytes[] = "teststring";
    NSDictionary* payload = [NSDictionary dictionaryWithObjectsAndKeys:
        [NSNumber numberWithInt:11], @"dataFormat",
        @"h\u00e9llo", @"string",
        [NSNumber numberWithDouble:2.5], @"float",
        [NSNumber numberWithLongLong:-5000000000LL], @"big",
        [NSArray arrayWithObjects:@"Dollar", @"Euro", @"Pound", nil], @"array",
        mutable, @"mutableDictionary",
        [NSData dataWithBytes:bytes length:10], @"nsdata",
        [NSDate dateWithTimeIntervalSinceReferenceDate:100000000.5], @"date",
        inner, @"inner",
        nil];
    VelborPacket* packet = [[[VelborPacket alloc] initWithData:payload type:5 action:-3] autorelease];
    NSMutableData* out = [NSMutableData data];
    NSKeyedArchiver* archiver = [[NSKeyedArchiver alloc] initForWritingWithMutableData:out];
    [archiver encodeObject:packet forKey:@"packet"];
    [archiver finishEncoding];
    [archiver release];
    if (![out writeToFile:path atomically:YES]) {
        printf("error: cannot write\n");
        return 2;
    }
    printf("%s\n", [describe(packet) UTF8String]);
    return 0;
}

int main(int argc, const char** argv)
{
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    int rc = 1;
    if (argc == 4 && strcmp(argv[1], "decode") == 0) {
        rc = decode([NSString stringWithUTF8String:argv[2]], [NSString stringWithUTF8String:argv[3]]);
    } else if (argc == 3 && strcmp(argv[1], "frames") == 0) {
        rc = frames([NSString stringWithUTF8String:argv[2]]);
    } else if (argc == 3 && strcmp(argv[1], "encode") == 0) {
        rc = encode([NSString stringWithUTF8String:argv[2]]);
    } else {
        fprintf(stderr, "usage: archive_peer decode KEY FILE | archive_peer encode FILE | archive_peer frames FILE\n");
    }
    [pool release];
    return rc;
}
